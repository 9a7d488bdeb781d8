// The "Com Port Options" dialog: the mapping between its controls and the port settings both
// ways, the port list, and what a cancel keeps.
#include "app/com_port_options.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "tests/gui/gui_lookup.h"
#include "tests/support/modal_answer.h"
#include "tests/support/memory_serial_device.h"

namespace nimbrel {
namespace {

QComboBox& PortList(TComPortOptions& dialog) { return Child<QComboBox>(dialog, "PortComboBox"); }

void Check(TComPortOptions& dialog, const char* name, bool on = true) {
  Child<QAbstractButton>(dialog, name).setChecked(on);
}

void ChooseEntry(TComPortOptions& dialog, const QString& text) {
  QComboBox& box = PortList(dialog);
  const int entry = box.findText(text);
  ASSERT_GE(entry, 0) << text.toStdString();
  box.setCurrentIndex(entry);
  emit box.activated(entry);
}

struct MappingCase {
  const char* what;
  std::function<void(sio::TSioComPort&)> load;   // the main port's settings
  std::function<void(TComPortOptions&)> onShow;  // checks and user actions; then OK
  std::function<void(const sio::TSioComPort&)> result;
};

class ComPortOptionsTest : public testing::Test {
 protected:
  // Loads `port`, runs the dialog with `onShow` followed by OK, returns the result port.
  sio::TSioComPort& RunAccepted(const sio::TSioComPort& port,
                                const std::function<void(TComPortOptions&)>& onShow) {
    dialog_.LoadFromPort(port);
    test_support::WhenModalShown<TComPortOptions>([onShow](TComPortOptions& dialog) {
      onShow(dialog);
      Child<QPushButton>(dialog, "OK").click();
    });
    EXPECT_TRUE(dialog_.RunDialog());
    return dialog_.ResultPort();
  }

  test_support::MemorySerialProvider provider_;
  TComPortOptions dialog_;
};

TEST_F(ComPortOptionsTest, ControlsAndSettingsMapBothWays) {
  provider_.AddDevice("\\\\.\\COM3");
  provider_.AddDevice("\\\\.\\COM12");
  const MappingCase cases[] = {
      {"a rate not in the list shows 19200 and gives it",
       [](sio::TSioComPort& p) { p.SetBaud(14400); },
       [](TComPortOptions& d) { EXPECT_TRUE(Child<QRadioButton>(d, "BaudsItem6").isChecked()); },
       [](const sio::TSioComPort& p) { EXPECT_EQ(p.Baud(), 19200); }},
      {"a rate matches by tens", [](sio::TSioComPort& p) { p.SetBaud(57601); },
       [](TComPortOptions& d) { EXPECT_TRUE(Child<QRadioButton>(d, "BaudsItem8").isChecked()); },
       [](const sio::TSioComPort& p) { EXPECT_EQ(p.Baud(), 57600); }},
      {"DTR/DSR only",
       [](sio::TSioComPort& p) {
         p.SetHWFlowOptions({sio::hwfUseRTS, sio::hwfRequireCTS});
       },
       [](TComPortOptions& d) {
         EXPECT_TRUE(Child<QCheckBox>(d, "RTSCTS").isChecked());
         EXPECT_FALSE(Child<QCheckBox>(d, "DTRRTS").isChecked());
         Check(d, "DTRRTS");
         Check(d, "RTSCTS", false);
       },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(p.HWFlowOptions(), (sio::THWFlowOptionSet{sio::hwfUseDTR, sio::hwfRequireDSR}));
       }},
      {"require options without their use option are dropped",
       [](sio::TSioComPort& p) { p.SetHWFlowOptions({sio::hwfRequireDSR}); },
       [](TComPortOptions& d) { EXPECT_FALSE(Child<QCheckBox>(d, "DTRRTS").isChecked()); },
       [](const sio::TSioComPort& p) { EXPECT_TRUE(p.HWFlowOptions().Empty()); }},
      {"5 data bits, 2 stop bits, even parity", [](sio::TSioComPort&) {},
       [](TComPortOptions& d) {
         EXPECT_TRUE(Child<QRadioButton>(d, "DatabitsItem0").isChecked());
         EXPECT_TRUE(Child<QRadioButton>(d, "StopbitsItem0").isChecked());
         Check(d, "DatabitsItem3");
         Check(d, "StopbitsItem1");
         Check(d, "ParitysItem2");
       },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(p.DataBits(), 5);
         EXPECT_EQ(p.StopBits(), 2);
         EXPECT_EQ(p.Parity(), sio::pEven);
       }},
      {"loaded line settings are shown",
       [](sio::TSioComPort& p) {
         p.SetDataBits(7);
         p.SetStopBits(2);
         p.SetParity(sio::pSpace);
       },
       [](TComPortOptions& d) {
         EXPECT_TRUE(Child<QRadioButton>(d, "DatabitsItem1").isChecked());
         EXPECT_TRUE(Child<QRadioButton>(d, "StopbitsItem1").isChecked());
         EXPECT_TRUE(Child<QRadioButton>(d, "ParitysItem4").isChecked());
       },
       [](const sio::TSioComPort& p) { EXPECT_EQ(p.Parity(), sio::pSpace); }},
      {"software flow both ways", [](sio::TSioComPort& p) { p.SetSWFlowOptions(sio::swfReceive); },
       [](TComPortOptions& d) {
         EXPECT_FALSE(Child<QCheckBox>(d, "SoftwareXmit").isChecked());
         EXPECT_TRUE(Child<QCheckBox>(d, "SoftwareRcv").isChecked());
         Check(d, "SoftwareXmit");
       },
       [](const sio::TSioComPort& p) { EXPECT_EQ(p.SWFlowOptions(), sio::swfBoth); }},
      {"Xon/Xoff: codes shown, no number keeps the character, big numbers keep 8 bits",
       [](sio::TSioComPort& p) { p.SetXOnChar(static_cast<char>(200)); },
       [](TComPortOptions& d) {
         EXPECT_EQ(Child<QLineEdit>(d, "Edit1").text(), "200");
         EXPECT_EQ(Child<QLineEdit>(d, "Edit2").text(), "19");
         Child<QLineEdit>(d, "Edit1").setText("abc");
         Child<QLineEdit>(d, "Edit2").setText("275");
       },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(static_cast<uint8_t>(p.XOnChar()), 200);
         EXPECT_EQ(p.XOffChar(), 19);
       }},
      {"choosing Direct to COM12", [](sio::TSioComPort& p) { p.SetComNumber(3); },
       [](TComPortOptions& d) {
         EXPECT_EQ(PortList(d).count(), 2);
         EXPECT_EQ(PortList(d).currentIndex(), -1) << "tmAuto selects by device name";
         ChooseEntry(d, "Direct to COM12");
       },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(p.ComNumber(), 12);
         EXPECT_EQ(p.TapiMode(), sio::tmOff);
       }},
      {"untouched port list keeps the loaded port", [](sio::TSioComPort& p) { p.SetComNumber(2); },
       [](TComPortOptions& d) { EXPECT_EQ(PortList(d).currentText(), ""); },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(p.ComNumber(), 2);
         EXPECT_EQ(p.TapiMode(), sio::tmAuto);
       }},
      {"typing into the port list chooses no port",
       [](sio::TSioComPort& p) {
         p.SetComNumber(3);
         p.SetTapiMode(sio::tmOff);
       },
       [](TComPortOptions& d) {
         EXPECT_EQ(PortList(d).currentText(), "Direct to COM3");
         QTest::keyClicks(PortList(d).lineEdit(), "x");
       },
       [](const sio::TSioComPort& p) {
         EXPECT_EQ(p.ComNumber(), 0);
         EXPECT_EQ(p.TapiMode(), sio::tmAuto);
       }},
  };
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.what);
    sio::TSioComPort port;
    c.load(port);
    c.result(RunAccepted(port, c.onShow));
  }
}

TEST_F(ComPortOptionsTest, AChosenPortIsSelectedAgainNextTime) {
  provider_.AddDevice("\\\\.\\COM12");
  sio::TSioComPort port;
  RunAccepted(port, [](TComPortOptions& d) { ChooseEntry(d, "Direct to COM12"); });
  sio::TSioComPort& result = RunAccepted(dialog_.ResultPort(), [](TComPortOptions& d) {
    EXPECT_EQ(PortList(d).currentText(), "Direct to COM12");
  });
  EXPECT_EQ(result.ComNumber(), 12);
}

TEST_F(ComPortOptionsTest, WithNoPortPresentTheListIsEmptyAndOkKeepsThePortNumber) {
  sio::TSioComPort port;
  port.SetComNumber(7);
  const sio::TSioComPort& result = RunAccepted(port, [](TComPortOptions& d) {
    EXPECT_EQ(PortList(d).count(), 0);
    Check(d, "BaudsItem0");
  });
  EXPECT_EQ(result.ComNumber(), 7);
  EXPECT_EQ(result.Baud(), 300) << "the line settings are applied";
}

TEST_F(ComPortOptionsTest, CancelLeavesTheSettingsAsLoaded) {
  sio::TSioComPort port;
  port.SetBaud(9600);
  dialog_.LoadFromPort(port);
  test_support::WhenModalShown<TComPortOptions>([](TComPortOptions& d) {
    Check(d, "BaudsItem0");
    Check(d, "DTRRTS");
    Child<QPushButton>(d, "Cancel").click();
  });
  EXPECT_FALSE(dialog_.RunDialog());
  EXPECT_FALSE(dialog_.Accepted());
  EXPECT_EQ(dialog_.ResultPort().Baud(), 9600);
  EXPECT_FALSE(dialog_.ResultPort().HWFlowOptions().Contains(sio::hwfUseDTR));
}

TEST_F(ComPortOptionsTest, FixedTextsAndLayout) {
  EXPECT_EQ(dialog_.windowTitle(), "Com Port Options");
  EXPECT_EQ(dialog_.size(), QSize(512, 234));
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());
  EXPECT_TRUE(Child<QPushButton>(dialog_, "OK").isDefault());
  const std::pair<const char*, QRect> placed[] = {
      {"Comports", QRect(8, 8, 169, 93)},     {"Bauds", QRect(8, 112, 169, 113)},
      {"Paritys", QRect(188, 8, 145, 89)},    {"Databits", QRect(188, 112, 145, 57)},
      {"Stopbits", QRect(188, 176, 145, 49)}, {"FlowControlBox", QRect(344, 8, 161, 161)},
      {"OK", QRect(345, 190, 75, 27)},        {"Cancel", QRect(428, 190, 75, 27)},
      {"Edit1", QRect(86, 99, 27, 21)},       {"Edit2", QRect(86, 127, 27, 21)},
  };
  for (const auto& [name, geometry] : placed)
    EXPECT_EQ(Child<QWidget>(dialog_, name).geometry(), geometry) << name;
  EXPECT_EQ(PortList(dialog_).pos(), QPoint(8, 20));
  EXPECT_TRUE(PortList(dialog_).isEditable());
}

}  // namespace
}  // namespace nimbrel
