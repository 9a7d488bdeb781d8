#pragma once
// The "Com Port Options" dialog: edits the serial settings of a port object of its own that is
// never opened. The main window copies its port's settings in (LoadFromPort), runs the dialog
// and on OK copies the result (ResultPort) back into its port.
#include <QButtonGroup>
#include <QDialog>
#include <memory>

#include "serial/com_port.h"

namespace Ui {
class TComPortOptions;
}

namespace nimbrel {

class TComPortOptions : public QDialog {
  Q_OBJECT

 public:
  explicit TComPortOptions(QWidget* parent = nullptr);
  ~TComPortOptions() override;

  // Takes over the settings of `Port` (unless it is SettingsPort itself).
  void LoadFromPort(const sio::TSioCustomComPort& Port);
  // Shows the settings and the present ports modally; true when closed with OK.
  bool RunDialog();
  // SettingsPort, after writing the controls into it when the last run ended with OK.
  sio::TSioComPort& ResultPort();

  // Selects the port list entry of SettingsPort's port (or device name) as the dialog shows.
  void FormShow();
  // The user chose a port list entry, or typed into the box (which chooses none).
  void PortComboBoxChange();

  sio::TSioComPort& SettingsPort() { return settingsPort_; }
  // The last RunDialog ended with OK.
  bool Accepted() const { return accepted_; }
  // The last chosen entry that is no "Direct to COM" entry.
  const QString& DeviceName() const { return deviceName_; }

  // Whether the port list lists the serial ports.
  bool ListComPorts = true;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowSettings();
  void FillPortList();
  void StoreSettings();
  QString SelectedEntryText() const;

  std::unique_ptr<Ui::TComPortOptions> ui_;
  QButtonGroup bauds_;
  QButtonGroup paritys_;
  QButtonGroup databits_;
  QButtonGroup stopbits_;
  sio::TSioComPort settingsPort_;
  bool accepted_ = false;
  QString deviceName_;
};

}  // namespace nimbrel
