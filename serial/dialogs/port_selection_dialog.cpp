#include "serial/dialogs/port_selection_dialog.h"

#include <QApplication>
#include <QPointer>

#include "serial/dialogs/com_select_form.h"
#include "serial/port_selection.h"

namespace sio {

namespace {

// Deletes the form when the prompt ends, also when reading the selection raises, unless its
// parent window was destroyed while the dialog ran and took the form with it.
class FormOwner {
 public:
  explicit FormOwner(TComSelectForm* form) : form_(form) {}
  ~FormOwner() { delete form_.data(); }
  FormOwner(const FormOwner&) = delete;
  FormOwner& operator=(const FormOwner&) = delete;

  TComSelectForm* get() const { return form_.data(); }

 private:
  QPointer<TComSelectForm> form_;
};

std::optional<int32_t> RunComSelectForm() {
  const FormOwner form(new TComSelectForm(QApplication::activeWindow()));
  // exec() answers a rejection when the form was destroyed while it ran.
  if (form.get()->exec() != mrOk) return std::nullopt;
  return form.get()->SelectedComNumber();
}

}  // namespace

void InstallPortSelectionDialog() { SetPortPrompt(RunComSelectForm); }

}  // namespace sio
