#include "app/core/file_error.h"

#include "platform/text_file.h"
#include "serial/exceptions.h"

namespace nimbrel {

std::string FileErrorMessage(int32_t code) {
  switch (code) {
    case platform::kFileNotFound:
      return "Datei nicht gefunden";
    case platform::kFilePathNotFound:
      return "Ungültiger Dateiname";
    case platform::kFileTooManyOpen:
      return "Zu viele geöffnete Dateien";
    case platform::kFileAccessDenied:
      return "Dateizugriff verweigert";
    case platform::kFileDiskFull:
      return "Zu wenig Speicherplatz";
    default:
      return "E/A-Fehler " + std::to_string(code);
  }
}

void CheckFileResult(int32_t result) {
  if (result != platform::kFileOk) throw sio::EInOutError(FileErrorMessage(result), result);
}

}  // namespace nimbrel
