#include "serial/dialogs/com_select_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system_error.h"
#include "serial/dialogs/port_selection_dialog.h"
#include "serial/exceptions.h"
#include "serial/port_selection.h"
#include "tests/support/memory_serial_device.h"
#include "tests/support/modal_answer.h"

namespace sio {
namespace {

using FormAction = std::function<void(TComSelectForm&)>;

template <typename Widget>
Widget& Child(const TComSelectForm& form, const char* name) {
  auto* widget = form.findChild<Widget*>(name);
  if (widget == nullptr) throw std::logic_error(std::string("no child ") + name);
  return *widget;
}

QStringList Entries(const TComSelectForm& form) {
  const auto& box = Child<QComboBox>(form, "PortsComboBox");
  QStringList entries;
  for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
  return entries;
}

void WhenShown(FormAction action) { test_support::WhenModalShown<TComSelectForm>(std::move(action)); }

void ClickOk(TComSelectForm& form) { Child<QPushButton>(form, "OkBtn").click(); }
void ClickCancel(TComSelectForm& form) { Child<QPushButton>(form, "AbortBtn").click(); }
void CloseWindow(TComSelectForm& form) { form.close(); }

int LiveForms() {
  int count = 0;
  for (QWidget* widget : QApplication::allWidgets()) {
    if (qobject_cast<TComSelectForm*>(widget) != nullptr) ++count;
  }
  return count;
}

class ComSelectForm : public testing::Test {
 protected:
  void AddPorts(std::initializer_list<uint16_t> ports) {
    for (uint16_t n : ports) AddPort(n);
  }
  std::shared_ptr<test_support::MemorySerialDevice> AddPort(uint16_t n) {
    return provider_.AddDevice("\\\\.\\COM" + std::to_string(n));
  }

  test_support::MemorySerialProvider provider_;
};

TEST_F(ComSelectForm, ListsPresentPortsUpToFiftyAndPreselectsTheFirst) {
  AddPorts({12, 3, 51, 1});
  AddPort(12)->SetOpenError(platform::kErrorAccessDenied);
  AddPort(7)->SetOpenError(platform::kErrorGenFailure);
  TComSelectForm form;
  EXPECT_EQ(Entries(form), (QStringList{"COM1", "COM3", "COM12"}));
  EXPECT_EQ(Child<QComboBox>(form, "PortsComboBox").currentIndex(), 0);
  EXPECT_EQ(form.SelectedComNumber(), 1);
  Child<QComboBox>(form, "PortsComboBox").setCurrentIndex(2);
  EXPECT_EQ(form.SelectedComNumber(), 12);
}

TEST_F(ComSelectForm, EmptyListSelectsNothingAndHasNoNumber) {
  TComSelectForm form;
  EXPECT_EQ(Child<QComboBox>(form, "PortsComboBox").count(), 0);
  EXPECT_EQ(Child<QComboBox>(form, "PortsComboBox").currentIndex(), -1);
  try {
    form.SelectedComNumber();
    ADD_FAILURE() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "'' is not a valid integer value");
  }
}

struct Ending {
  const char* how;
  FormAction action;
  int result;
};

TEST_F(ComSelectForm, ExecAnswersTheModalResultOfHowTheFormEnded) {
  const Ending endings[] = {
      {"OK button", ClickOk, mrOk},
      {"Cancel button", ClickCancel, mrAbort},
      {"title bar close button", CloseWindow, mrCancel},
      {"Enter on the port list (default button)",
       [](TComSelectForm& form) {
         QTest::keyClick(&Child<QComboBox>(form, "PortsComboBox"), Qt::Key_Return);
       },
       mrOk},
      {"Esc, which does nothing, then close",
       [](TComSelectForm& form) {
         QTest::keyClick(&Child<QPushButton>(form, "OkBtn"), Qt::Key_Escape);
         QTest::keyClick(&form, Qt::Key_Escape);
         EXPECT_TRUE(form.isVisible()) << "Esc ended the form";
         form.close();
       },
       mrCancel},
  };
  AddPorts({2});
  for (const Ending& ending : endings) {
    TComSelectForm form;
    WhenShown(ending.action);
    EXPECT_EQ(form.exec(), ending.result) << ending.how;
  }
}

TEST_F(ComSelectForm, FixedTextsAndLayout) {
  TComSelectForm form;
  EXPECT_EQ(form.windowTitle(), "Select Port");
  EXPECT_EQ(form.size(), QSize(220, 131));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "resizable";
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  for (Qt::WindowType absent : {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                                Qt::WindowContextHelpButtonHint}) {
    EXPECT_FALSE(flags.testFlag(absent)) << absent;
  }
  EXPECT_EQ(form.font().family(), "MS Sans Serif");
  EXPECT_EQ(form.font().pixelSize(), 11);

  EXPECT_EQ(Child<QFrame>(form, "Bevel1").geometry(), QRect(8, 8, 201, 42));
  EXPECT_EQ(Child<QLabel>(form, "Label1").pos(), QPoint(18, 14));
  EXPECT_EQ(Child<QLabel>(form, "Label1").text(), "The configured serial port is not valid.");
  EXPECT_EQ(Child<QLabel>(form, "Label2").pos(), QPoint(18, 30));
  EXPECT_EQ(Child<QLabel>(form, "Label2").text(), "Please choose another port.");
  const auto& box = Child<QComboBox>(form, "PortsComboBox");
  EXPECT_EQ(box.pos(), QPoint(8, 64));
  EXPECT_EQ(box.width(), 201);
  EXPECT_FALSE(box.isEditable());
  const auto& ok = Child<QPushButton>(form, "OkBtn");
  EXPECT_EQ(ok.geometry(), QRect(8, 95, 85, 27));
  EXPECT_EQ(ok.text(), "OK");
  EXPECT_TRUE(ok.isDefault());
  const auto& cancel = Child<QPushButton>(form, "AbortBtn");
  EXPECT_EQ(cancel.geometry(), QRect(124, 95, 85, 27));
  EXPECT_EQ(cancel.text(), "Cancel");
  EXPECT_FALSE(cancel.isDefault());
}

TEST_F(ComSelectForm, FocusStartsOnOkAndTabGoesToCancelThenThePortList) {
  TComSelectForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  std::vector<std::string> order;
  for (int step = 0; step < 4; ++step) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "step " << step;
    order.push_back(focus->objectName().toStdString());
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"OkBtn", "AbortBtn", "PortsComboBox", "OkBtn"}));
}

TEST_F(ComSelectForm, ShowsCentredOnTheScreenWithTheActiveWindowAsParent) {
  QWidget main;
  main.setGeometry(0, 0, 300, 200);
  main.show();
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  InstallPortSelectionDialog();
  WhenShown([&main](TComSelectForm& form) {
    EXPECT_EQ(form.parentWidget(), &main);
    // Frame margins may shift it by a few pixels.
    const QPoint offset =
        form.frameGeometry().center() - form.screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 6) << offset.x() << "," << offset.y();
    form.close();
  });
  EXPECT_EQ(PromptForPortNumber(), std::nullopt);
  SetPortPrompt(nullptr);
}

struct PromptCase {
  const char* what;
  std::initializer_list<uint16_t> ports;
  FormAction action;
  std::optional<int32_t> answer;
};

// Each case brings its own ports, so no fixture.
TEST(ComSelectPrompt, AnswersTheChosenNumberOnlyForOkAndDestroysTheForm) {
  const PromptCase cases[] = {
      {"OK", {3, 1}, ClickOk, 1},
      {"OK on another entry",
       {1, 12},
       [](TComSelectForm& form) {
         Child<QComboBox>(form, "PortsComboBox").setCurrentIndex(1);
         ClickOk(form);
       },
       12},
      {"Cancel", {1, 3}, ClickCancel, std::nullopt},
      {"window closed", {1}, CloseWindow, std::nullopt},
      {"Cancel on an empty list", {}, ClickCancel, std::nullopt},
  };
  InstallPortSelectionDialog();
  for (const PromptCase& c : cases) {
    test_support::MemorySerialProvider provider;
    for (uint16_t n : c.ports) provider.AddDevice("\\\\.\\COM" + std::to_string(n));
    WhenShown(c.action);
    EXPECT_EQ(PromptForPortNumber(), c.answer) << c.what;
    EXPECT_EQ(LiveForms(), 0) << c.what;
  }
  SetPortPrompt(nullptr);
}

TEST_F(ComSelectForm, PromptRaisesConvertErrorForOkOnAnEmptyListAndDestroysTheForm) {
  InstallPortSelectionDialog();
  WhenShown(ClickOk);
  EXPECT_THROW(PromptForPortNumber(), EConvertError);
  EXPECT_EQ(LiveForms(), 0);
  SetPortPrompt(nullptr);
}

TEST_F(ComSelectForm, PromptSurvivesItsParentWindowBeingDestroyedMeanwhile) {
  auto* main = new QWidget;
  main->show();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  AddPorts({1});
  InstallPortSelectionDialog();
  WhenShown([main](TComSelectForm& form) {
    ASSERT_EQ(form.parentWidget(), main);
    delete main;
  });
  EXPECT_EQ(PromptForPortNumber(), std::nullopt);
  EXPECT_EQ(LiveForms(), 0);
  SetPortPrompt(nullptr);
}

}  // namespace
}  // namespace sio
