#pragma once
// The device list builder of the device selection window, of which the logger uses only the
// list: the serial ports that are present, as "Direct to COM<n>" entries. Telephony devices
// are never listed.
#include <QStringList>

namespace nimbrel {

class TDeviceSelectionForm {
 public:
  bool ListComPorts = true;

  // Replaces DeviceList: probes COM1 to COM50 in increasing order under the hourglass cursor,
  // handling pending events after each probe so the screen stays responsive.
  void BuildDeviceList();
  const QStringList& DeviceList() const { return deviceList_; }

 private:
  QStringList deviceList_;
};

// "Direct to COM" followed by the number.
QString DirectComEntry(int number);

}  // namespace nimbrel
