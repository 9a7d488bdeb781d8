#include "app/log_file_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace nimbrel {

LogFileDialog::LogFileDialog(LogFileDialogKind kind, const QString& proposedPath, QWidget* parent)
    : QFileDialog(parent) {
  // Qt's own dialog, so that accept() below is the one that runs.
  setOption(QFileDialog::DontUseNativeDialog);
  setNameFilter(QStringLiteral("Textdateien (*.txt)"));
  setDefaultSuffix(QStringLiteral("txt"));
  if (kind == LogFileDialogKind::kNewFile) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
  } else {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
  }
  selectFile(proposedPath);
}

void LogFileDialog::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (chosen.isFile() && !chosen.isWritable()) {
      Refuse(chosen.filePath(), tr("This file is read-only.\nPlease choose another file name."));
      return;
    }
    if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
      Refuse(chosen.absolutePath(), tr("This folder does not exist."));
      return;
    }
  }
  QFileDialog::accept();
}

void LogFileDialog::Refuse(const QString& path, const QString& reason) {
  QMessageBox::warning(this, windowTitle(),
                       QDir::toNativeSeparators(path) + QLatin1Char('\n') + reason);
}

}  // namespace nimbrel
