#include "app/nimbrel_application.h"

#include <QThread>

#include "app/font_substitutes.h"
#include "serial/exception_handler.h"

namespace nimbrel {

QString ErrorBoxText(const std::exception& error) {
  QString text = QString::fromUtf8(error.what());
  if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
  return text;
}

NimbrelApplication::NimbrelApplication(int& argc, char** argv, UserDialogs& dialogs)
    : QApplication(argc, argv), dialogs_(dialogs) {
  // Only the name: a display name would be appended to every window title.
  setApplicationName(QStringLiteral("Nimbrel"));
  InstallFontSubstitutes();
  sio::SetExceptionHandler([this](const std::exception& error) { ReportException(error); });
}

NimbrelApplication::~NimbrelApplication() { sio::SetExceptionHandler({}); }

template <typename Handler>
void NimbrelApplication::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

bool NimbrelApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

void NimbrelApplication::RunHandler(const std::function<void()>& handler) { Guarded(handler); }

void NimbrelApplication::ReportException(const std::exception& error) {
  const QString text = ErrorBoxText(error);
  if (QThread::currentThread() == thread()) {
    dialogs_.ShowError(text);
  } else {
    QMetaObject::invokeMethod(
        this, [this, text] { dialogs_.ShowError(text); }, Qt::QueuedConnection);
  }
}

}  // namespace nimbrel
