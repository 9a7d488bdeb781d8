// window-snapshot: renders the logger's main window (showing a sample measurement) and the
// "Com Port Options" dialog into PNG files, for the documentation and for checking the layout.
//   window-snapshot MAIN.png [OPTIONS.png]
#include <QPixmap>
#include <QTextStream>
#include <string>
#include <vector>

#include "app/com_port_options.h"
#include "app/form_nimbrel.h"
#include "app/nimbrel_application.h"
#include "app/qt_user_dialogs.h"

namespace {

constexpr char kSampleReply[] =
    "BARO 1013.2 mbar QNH 1015.0 mbar ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC TEMP2 20.1 degC DEW "
    "9.1 degC x";

bool Save(QWidget& widget, const QString& path) {
  widget.show();
  QCoreApplication::processEvents();
  if (widget.grab().save(path)) return true;
  QTextStream(stderr) << "window-snapshot: cannot write " << path << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  nimbrel::QtUserDialogs dialogs;
  nimbrel::NimbrelApplication application(argc, argv, dialogs);
  const QStringList paths = QCoreApplication::arguments().mid(1);
  if (paths.isEmpty()) {
    QTextStream(stderr) << "Usage: window-snapshot MAIN.png [OPTIONS.png]\n";
    return 2;
  }
  nimbrel::TFormNimbrel form({}, {dialogs});
  form.processData(kSampleReply);
  bool saved = Save(form, paths[0]);
  if (paths.size() > 1) {
    nimbrel::TComPortOptions options;
    saved = Save(options, paths[1]) && saved;
  }
  return saved ? 0 : 1;
}
