// The interval field: what typing keeps, clamping on focus loss and with the arrows, and texts
// that are no number.
#include "app/interval_spin_edit.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

namespace nimbrel {
namespace {

// The field's edit, where pasted text lands.
QLineEdit& Edit(IntervalSpinEdit& field) { return *field.findChild<QLineEdit*>(); }

void LoseFocus(IntervalSpinEdit& field) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&field, &out);
}

TEST(IntervalSpinEdit, TypingKeepsDigitsSignsAndTheDecimalSeparatorOnly) {
  IntervalSpinEdit field;
  field.setLocale(QLocale(QLocale::German));
  Edit(field).clear();
  QTest::keyClicks(&field, "1a2 +x-,.;");
  EXPECT_EQ(field.text(), "12+-,");
  QTest::keyClick(&field, Qt::Key_Return);
  QTest::keyClick(&field, Qt::Key_Enter);
  EXPECT_EQ(field.text(), "12+-,");
  QTest::keyClick(&field, Qt::Key_Backspace);
  EXPECT_EQ(field.text(), "12+-") << "editing keys still work";
}

TEST(IntervalSpinEdit, LosingTheFocusClampsNumbersAndLeavesOtherTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"0", "1"},     {"121", "120"}, {"-5", "1"}, {"99999", "120"}, {"+7", "+7"},
      {" 60", " 60"}, {"", ""},       {"-", "-"},  {"abc", "abc"},   {"1,5", "1,5"}};
  for (const auto& [typed, kept] : cases) {
    IntervalSpinEdit field;
    Edit(field).setText(typed);  // as pasted
    LoseFocus(field);
    EXPECT_EQ(field.text(), kept) << '"' << typed << '"';
  }
}

TEST(IntervalSpinEdit, ArrowsStepWithinTheRangeAndStartFromOneOnATextThatIsNoNumber) {
  const struct {
    const char* text;
    int steps;
    const char* result;
  } cases[] = {{"60", 1, "61"}, {"120", 1, "120"}, {"1", -1, "1"},  {"500", -1, "120"},
               {"0", 1, "1"},   {"", 1, "2"},      {"abc", -1, "1"}};
  for (const auto& c : cases) {
    IntervalSpinEdit field;
    Edit(field).setText(c.text);
    field.stepBy(c.steps);
    EXPECT_EQ(field.text(), c.result) << '"' << c.text << "\" " << c.steps;
  }
  IntervalSpinEdit field;
  field.SetValue(60);
  QTest::keyClick(&field, Qt::Key_Up);
  EXPECT_EQ(field.text(), "61") << "the arrow key steps too";
}

TEST(IntervalSpinEdit, ValueReadsTheTextAndSetValueClamps) {
  IntervalSpinEdit field;
  field.SetValue(0);
  EXPECT_EQ(field.text(), "1");
  field.SetValue(500);
  EXPECT_EQ(field.Value(), 120);
  Edit(field).setText("x");
  EXPECT_EQ(field.Value(), std::nullopt);
}

}  // namespace
}  // namespace nimbrel
