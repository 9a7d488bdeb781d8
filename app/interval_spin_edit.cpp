#include "app/interval_spin_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "app/whole_number.h"

namespace nimbrel {

namespace {

int32_t Clamped(int32_t minutes) {
  return std::clamp(minutes, IntervalSpinEdit::kMinimum, IntervalSpinEdit::kMaximum);
}

}  // namespace

IntervalSpinEdit::IntervalSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {}

std::optional<int32_t> IntervalSpinEdit::Value() const {
  return ParseWholeNumber(text().toStdString());
}

void IntervalSpinEdit::SetValue(int32_t minutes) {
  lineEdit()->setText(QString::number(Clamped(minutes)));
}

void IntervalSpinEdit::stepBy(int steps) {
  // Widened, so that steps at the ends of int32_t cannot overflow.
  const int64_t next = int64_t{Value().value_or(kMinimum)} + steps;
  SetValue(static_cast<int32_t>(std::clamp<int64_t>(next, kMinimum, kMaximum)));
}

QAbstractSpinBox::StepEnabled IntervalSpinEdit::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  return StepUpEnabled | StepDownEnabled;
}

bool IntervalSpinEdit::IsRefusedKey(const QKeyEvent& event) const {
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return true;
  const QString typed = event.text();
  if (typed.isEmpty() || !typed.front().isPrint()) return false;
  if (typed.front().isDigit() && typed.front().unicode() < 128) return false;
  return typed != QLatin1String("+") && typed != QLatin1String("-") &&
         typed != locale().decimalPoint();
}

void IntervalSpinEdit::keyPressEvent(QKeyEvent* event) {
  if (IsRefusedKey(*event)) {
    QApplication::beep();
    event->accept();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void IntervalSpinEdit::focusOutEvent(QFocusEvent* event) {
  if (const auto minutes = Value(); minutes && Clamped(*minutes) != *minutes) SetValue(*minutes);
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace nimbrel
