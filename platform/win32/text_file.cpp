#include "platform/text_file.h"

#include "platform/win32/windows_api.h"

namespace platform {

namespace {

constexpr DWORD kErrorDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, not in every SDK

// The runtime's file error numbers are the Win32 ones, except a full disk.
int32_t FileError(DWORD error) {
  switch (error) {
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case kErrorDiskQuotaExceeded:
      return kFileDiskFull;
    default:
      return static_cast<int32_t>(error);
  }
}

int32_t LastFileError() { return FileError(::GetLastError()); }

// Others may read the file while it is open here, but not write it.
HANDLE OpenFile(const std::string& path, DWORD disposition) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Writes all of text at the end of the file; on failure cuts it back to keepLength.
int32_t WriteAllOrRestore(HANDLE file, std::string_view text, LONGLONG keepLength) {
  LARGE_INTEGER end{};
  if (!SetFilePointerEx(file, end, nullptr, FILE_END)) return LastFileError();
  while (!text.empty()) {
    const DWORD chunk = text.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(text.size());
    DWORD written = 0;
    const bool ok = ::WriteFile(file, text.data(), chunk, &written, nullptr) != FALSE;
    if (!ok || written == 0) {
      const int32_t result = ok ? kFileDiskFull : LastFileError();
      // Best effort: the write error is what the caller needs to hear about.
      LARGE_INTEGER keep{};
      keep.QuadPart = keepLength;
      if (SetFilePointerEx(file, keep, nullptr, FILE_BEGIN)) SetEndOfFile(file);
      return result;
    }
    text.remove_prefix(written);
  }
  return kFileOk;
}

int32_t CloseFile(HANDLE file, int32_t result) {
  if (!::CloseHandle(file) && result == kFileOk) return LastFileError();
  return result;
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int32_t CreateTextFile(const std::string& path, std::string_view text) {
  const HANDLE file = OpenFile(path, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return LastFileError();
  return CloseFile(file, WriteAllOrRestore(file, text, 0));
}

int32_t OpenForAppend(const std::string& path) {
  const HANDLE file = OpenFile(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return LastFileError();
  return CloseFile(file, kFileOk);
}

int32_t AppendText(const std::string& path, std::string_view text) {
  const HANDLE file = OpenFile(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return LastFileError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return CloseFile(file, LastFileError());
  return CloseFile(file, WriteAllOrRestore(file, text, size.QuadPart));
}

}  // namespace platform
