#include "serial/dialogs/com_select_form.h"

#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include "serial/port_presence.h"
#include "serial/str_to_int.h"
#include "ui_com_select_form.h"

namespace sio {

namespace {

constexpr int kFontPixelSize = 11;
// Entries read "COM<n>"; the number starts after this prefix.
constexpr qsizetype kComPrefixLength = 3;

QFont DialogFont() {
  // Qt substitutes the nearest family where this one is not installed.
  QFont font("MS Sans Serif");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kFontPixelSize);
  return font;
}

}  // namespace

TComSelectForm::TComSelectForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TComSelectForm>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(DialogFont());
  // The labels take the width of their text.
  ui_->Label1->adjustSize();
  ui_->Label2->adjustSize();
  // The first control in tab order has the focus when the form opens.
  ui_->OkBtn->setFocus();
  connect(ui_->OkBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(ui_->AbortBtn, &QPushButton::clicked, this, [this] { done(mrAbort); });
  CentreOnScreen();
  FormCreate();
}

TComSelectForm::~TComSelectForm() = default;

void TComSelectForm::FormCreate() {
  for (const uint16_t n : PresentComPorts()) {
    ui_->PortsComboBox->addItem(QStringLiteral("COM%1").arg(n));
  }
  // On an empty list this leaves nothing selected.
  ui_->PortsComboBox->setCurrentIndex(0);
}

void TComSelectForm::CentreOnScreen() {
  // Placed before it is shown, so QDialog does not centre it over its parent instead.
  if (const QScreen* area = screen()) {
    move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), area->availableGeometry())
             .topLeft());
  }
}

int32_t TComSelectForm::SelectedComNumber() const {
  // A non-editable box shows the selected entry's text, empty when none is selected.
  const QString number = ui_->PortsComboBox->currentText().mid(kComPrefixLength);
  return StrToInt(number.toStdString());
}

void TComSelectForm::reject() { done(mrCancel); }

void TComSelectForm::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace sio
