#pragma once
// The file dialog for choosing the log file: text files, default suffix "txt", resizable. It
// refuses files the user may not write and, when saving, folders that do not exist.
#include <QFileDialog>

#include "app/user_dialogs.h"

namespace nimbrel {

class LogFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  LogFileDialog(LogFileDialogKind kind, const QString& proposedPath, QWidget* parent = nullptr);

  void accept() override;

 private:
  void Refuse(const QString& path, const QString& reason);
};

}  // namespace nimbrel
