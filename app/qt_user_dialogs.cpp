#include "app/qt_user_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "app/log_file_dialog.h"

namespace nimbrel {

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

void QtUserDialogs::ShowError(const QString& message) {
  if (qEnvironmentVariableIsSet(kErrorsToStderrVariable)) {
    std::fprintf(stderr, "Nimbrel: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    return;
  }
  ShowBox(QMessageBox::Critical, QStringLiteral("Nimbrel"), message);
}

void QtUserDialogs::ShowMessage(const QString& title, const QString& text) {
  ShowBox(QMessageBox::NoIcon, title, text);
}

QString QtUserDialogs::ChooseLogFile(LogFileDialogKind kind, const QString& proposedPath) {
  LogFileDialog dialog(kind, proposedPath, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace nimbrel
