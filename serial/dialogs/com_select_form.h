#pragma once
// The "Select Port" dialog: lists the serial ports COM1..COM50 that are present and lets the
// user pick one. Asked for by the port object when it opens without a port number.
#include <QDialog>
#include <cstdint>
#include <memory>

namespace Ui {
class TComSelectForm;
}

namespace sio {

// What exec() returns: OK (button or Enter), the title bar's close button, Cancel.
enum TModalResult : int { mrOk = 1, mrCancel = 2, mrAbort = 3 };

class TComSelectForm : public QDialog {
  Q_OBJECT

 public:
  // Probes the ports and fills the list; the first entry is selected.
  explicit TComSelectForm(QWidget* parent = nullptr);
  ~TComSelectForm() override;

  // The number of the selected entry ("COM12" gives 12). Raises EConvertError when no entry
  // is selected.
  int32_t SelectedComNumber() const;

  // Closing the window ends it with mrCancel.
  void reject() override;

 protected:
  // Esc does nothing: the dialog has no cancel button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
  void CentreOnScreen();

  std::unique_ptr<Ui::TComSelectForm> ui_;
};

}  // namespace sio
