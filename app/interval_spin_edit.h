#pragma once
// The recording interval field: a whole number of minutes from 1 to 120 with up/down arrows.
//
// Unlike a QSpinBox it can hold a text that is no number (emptied, a lone sign, pasted text);
// such a text stays as it is and Value() reports it. Typing accepts digits, "+", "-" and the
// locale's decimal separator; other printable characters and Enter are refused with a beep.
// A number outside the range is replaced by the nearest bound when the field loses the focus
// and when the arrows are used.
#include <QAbstractSpinBox>
#include <cstdint>
#include <optional>

namespace nimbrel {

class IntervalSpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  static constexpr int32_t kMinimum = 1;
  static constexpr int32_t kMaximum = 120;

  explicit IntervalSpinEdit(QWidget* parent = nullptr);

  // The text read as a whole number; nothing when it is no number.
  std::optional<int32_t> Value() const;
  // Shows the number brought into the range.
  void SetValue(int32_t minutes);

  // An arrow step from the current number (from the minimum when the text is no number).
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool IsRefusedKey(const QKeyEvent& event) const;
};

}  // namespace nimbrel
