#include "app/com_port_options.h"

#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "app/device_selection_form.h"
#include "app/whole_number.h"
#include "ui_com_port_options.h"

namespace nimbrel {

namespace {

constexpr std::array<int32_t, 10> kBaudRates{300,  600,   1200,  2400,  4800,
                                             9600, 19200, 38400, 57600, 115200};
constexpr int kFallbackBaudEntry = 6;       // 19200
constexpr int kDirectComPrefixLength = 13;  // "Direct to COM"

// Puts the radio buttons <prefix>0 .. <prefix><count - 1> of `box` into `group`, numbered in
// that order.
void Collect(QButtonGroup& group, const QWidget& box, const QString& prefix, int count) {
  for (int i = 0; i < count; ++i) {
    group.addButton(box.findChild<QRadioButton*>(prefix + QString::number(i)), i);
  }
}

void Select(const QButtonGroup& group, int entry) {
  if (QAbstractButton* button = group.button(entry)) button->setChecked(true);
}

int BaudEntry(int32_t baud) {
  for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
    if (kBaudRates[i] / 10 == baud / 10) return static_cast<int>(i);
  }
  return kFallbackBaudEntry;
}

sio::THWFlowOptionSet HardwareFlow(bool dtrDsr, bool rtsCts) {
  sio::THWFlowOptionSet options;
  if (dtrDsr) options = options.With(sio::hwfUseDTR).With(sio::hwfRequireDSR);
  if (rtsCts) options = options.With(sio::hwfUseRTS).With(sio::hwfRequireCTS);
  return options;
}

sio::TSWFlowOptions SoftwareFlow(bool transmit, bool receive) {
  if (transmit && receive) return sio::swfBoth;
  if (transmit) return sio::swfTransmit;
  return receive ? sio::swfReceive : sio::swfNone;
}

QString CharCode(char c) { return QString::number(static_cast<uint8_t>(c)); }

// The character whose code the edit holds (low 8 bits); nothing when it holds no number.
std::optional<char> EditedChar(const QLineEdit& edit) {
  const auto code = ParseWholeNumber(edit.text().toStdString());
  if (!code) return std::nullopt;
  return static_cast<char>(static_cast<uint8_t>(*code));
}

}  // namespace

TComPortOptions::TComPortOptions(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TComPortOptions>()) {
  ui_->setupUi(this);
  Collect(bauds_, *ui_->Bauds, QStringLiteral("BaudsItem"), kBaudRates.size());
  Collect(paritys_, *ui_->Paritys, QStringLiteral("ParitysItem"), 5);
  Collect(databits_, *ui_->Databits, QStringLiteral("DatabitsItem"), 4);
  Collect(stopbits_, *ui_->Stopbits, QStringLiteral("StopbitsItem"), 2);
  // Only the user's choices count as changes, not the selection that FormShow makes.
  connect(ui_->PortComboBox, &QComboBox::activated, this, &TComPortOptions::PortComboBoxChange);
  connect(ui_->PortComboBox->lineEdit(), &QLineEdit::textEdited, this,
          &TComPortOptions::PortComboBoxChange);
}

TComPortOptions::~TComPortOptions() = default;

void TComPortOptions::LoadFromPort(const sio::TSioCustomComPort& Port) {
  if (&Port != &settingsPort_) settingsPort_.Assign(Port);
}

bool TComPortOptions::RunDialog() {
  ShowSettings();
  FillPortList();
  accepted_ = exec() == QDialog::Accepted;
  return accepted_;
}

sio::TSioComPort& TComPortOptions::ResultPort() {
  if (accepted_) StoreSettings();
  return settingsPort_;
}

void TComPortOptions::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TComPortOptions::FormShow() {
  const QString wanted = settingsPort_.TapiMode() == sio::tmOff
                             ? DirectComEntry(settingsPort_.ComNumber())
                             : deviceName_;
  QComboBox& box = *ui_->PortComboBox;
  int entry = -1;
  for (int i = 0; i < box.count() && entry < 0; ++i) {
    if (box.itemText(i).compare(wanted, Qt::CaseInsensitive) == 0) entry = i;
  }
  box.setCurrentIndex(entry);
}

void TComPortOptions::PortComboBoxChange() {
  const QString text = SelectedEntryText();
  if (text.contains(QStringLiteral("Direct to COM"))) {
    settingsPort_.SetTapiMode(sio::tmOff);
    const auto number = ParseWholeNumber(text.mid(kDirectComPrefixLength).toStdString());
    settingsPort_.SetComNumber(static_cast<uint16_t>(number.value_or(0)));
  } else {
    settingsPort_.SetTapiMode(sio::tmAuto);
    settingsPort_.SetComNumber(0);
    deviceName_ = text;
  }
}

QString TComPortOptions::SelectedEntryText() const {
  const QComboBox& box = *ui_->PortComboBox;
  const int entry = box.currentIndex();
  // Typing into the box leaves the entry's index but changes the text: no entry is chosen.
  if (entry < 0 || box.currentText() != box.itemText(entry)) return {};
  return box.itemText(entry);
}

void TComPortOptions::ShowSettings() {
  const sio::TSioComPort& port = settingsPort_;
  Select(bauds_, BaudEntry(port.Baud()));
  Select(paritys_, port.Parity());
  Select(databits_, 8 - port.DataBits());
  Select(stopbits_, port.StopBits() - 1);
  ui_->DTRRTS->setChecked(port.HWFlowOptions().Contains(sio::hwfUseDTR));
  ui_->RTSCTS->setChecked(port.HWFlowOptions().Contains(sio::hwfUseRTS));
  ui_->SoftwareXmit->setChecked(port.SWFlowOptions() == sio::swfTransmit ||
                                port.SWFlowOptions() == sio::swfBoth);
  ui_->SoftwareRcv->setChecked(port.SWFlowOptions() == sio::swfReceive ||
                               port.SWFlowOptions() == sio::swfBoth);
  ui_->Edit1->setText(CharCode(port.XOnChar()));
  ui_->Edit2->setText(CharCode(port.XOffChar()));
}

void TComPortOptions::FillPortList() {
  TDeviceSelectionForm builder;
  builder.ListComPorts = ListComPorts;
  builder.BuildDeviceList();
  ui_->PortComboBox->clear();
  ui_->PortComboBox->addItems(builder.DeviceList());
}

void TComPortOptions::StoreSettings() {
  sio::TSioComPort& port = settingsPort_;
  port.SetBaud(kBaudRates.at(static_cast<std::size_t>(bauds_.checkedId())));
  port.SetParity(static_cast<sio::TParity>(paritys_.checkedId()));
  port.SetDataBits(static_cast<uint16_t>(8 - databits_.checkedId()));
  port.SetStopBits(static_cast<uint16_t>(stopbits_.checkedId() + 1));
  port.SetHWFlowOptions(HardwareFlow(ui_->DTRRTS->isChecked(), ui_->RTSCTS->isChecked()));
  port.SetSWFlowOptions(
      SoftwareFlow(ui_->SoftwareXmit->isChecked(), ui_->SoftwareRcv->isChecked()));
  if (const auto xOn = EditedChar(*ui_->Edit1)) port.SetXOnChar(*xOn);
  if (const auto xOff = EditedChar(*ui_->Edit2)) port.SetXOffChar(*xOff);
}

}  // namespace nimbrel
