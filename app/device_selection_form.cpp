#include "app/device_selection_form.h"

#include <QApplication>

#include "serial/port_presence.h"

namespace nimbrel {

namespace {

// The hourglass cursor for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

QString DirectComEntry(int number) {
  return QStringLiteral("Direct to COM") + QString::number(number);
}

void TDeviceSelectionForm::BuildDeviceList() {
  const WaitCursor hourglass;
  deviceList_.clear();
  if (!ListComPorts) return;
  for (uint16_t n = 1; n <= sio::kHighestListedPort; ++n) {
    if (sio::ComPortPresent(n)) deviceList_ << DirectComEntry(n);
    QCoreApplication::processEvents();
  }
}

}  // namespace nimbrel
