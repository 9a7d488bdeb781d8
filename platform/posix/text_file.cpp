#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_error.h"

namespace platform {

namespace {

int32_t FileErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
      return kFilePathNotFound;
    case EMFILE:
    case ENFILE:
      return kFileTooManyOpen;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kFileAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kFileDiskFull;
    default:
      return static_cast<int32_t>(SystemErrorFromErrno(err));
  }
}

// With O_CREAT a missing file is made, so ENOENT can only mean a missing folder on the path.
int32_t CreateErrorFromErrno(int err) {
  return err == ENOENT ? kFilePathNotFound : FileErrorFromErrno(err);
}

int OpenFile(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes all of text at the end of fd; on failure cuts the file back to keepLength.
int32_t WriteAllOrRestore(int fd, std::string_view text, off_t keepLength) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int32_t result = written < 0 ? FileErrorFromErrno(errno) : kFileDiskFull;
      // Best effort: the write error is what the caller needs to hear about.
      (void)::ftruncate(fd, keepLength);
      return result;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return kFileOk;
}

int32_t CloseFile(int fd, int32_t result) {
  if (::close(fd) != 0 && result == kFileOk && errno != EINTR) return FileErrorFromErrno(errno);
  return result;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

int32_t CreateTextFile(const std::string& path, std::string_view text) {
  const int fd = OpenFile(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) return CreateErrorFromErrno(errno);
  return CloseFile(fd, WriteAllOrRestore(fd, text, 0));
}

int32_t OpenForAppend(const std::string& path) {
  const int fd = OpenFile(path, O_WRONLY | O_APPEND);
  if (fd < 0) return FileErrorFromErrno(errno);
  return CloseFile(fd, kFileOk);
}

int32_t AppendText(const std::string& path, std::string_view text) {
  const int fd = OpenFile(path, O_WRONLY | O_APPEND);
  if (fd < 0) return FileErrorFromErrno(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return CloseFile(fd, FileErrorFromErrno(errno));
  return CloseFile(fd, WriteAllOrRestore(fd, text, info.st_size));
}

}  // namespace platform
