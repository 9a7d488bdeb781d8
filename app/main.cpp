// nimbrel: the logger program. Sets up the application, creates the main window (whose
// creation applies the command line and may already start recording), then the settings
// dialog, and runs until the main window is closed.
#include <string>
#include <vector>

#include "app/com_port_options.h"
#include "app/form_nimbrel.h"
#include "app/nimbrel_application.h"
#include "app/platform_message_pump.h"
#include "app/qt_user_dialogs.h"
#include "serial/dialogs/port_selection_dialog.h"

int main(int argc, char** argv) {
  nimbrel::QtUserDialogs dialogs;
  // Takes Qt's own options (such as -platform) out of argv.
  nimbrel::NimbrelApplication application(argc, argv, dialogs);
  sio::InstallPortSelectionDialog();
  const nimbrel::PlatformMessagePump messagePump;

  nimbrel::TFormNimbrel form(std::vector<std::string>(argv + 1, argv + argc), {dialogs});
  application.RunHandler([&form] { form.FormCreate(); });
  nimbrel::TComPortOptions comPortOptions;
  form.SetComPortOptions(&comPortOptions);
  form.show();
  return application.exec();
}
