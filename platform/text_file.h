#pragma once
// Whole-file operations on text files: each opens, writes and closes within the call, so no
// handle stays open between calls. Results are 0 on success or the runtime's file error number:
// 2 file not found, 3 path not found, 4 too many open files, 5 access denied, 101 disk full,
// any other failure the Win32 number of the system error (see system_error.h).
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int32_t kFileOk = 0;
inline constexpr int32_t kFileNotFound = 2;
inline constexpr int32_t kFilePathNotFound = 3;
inline constexpr int32_t kFileTooManyOpen = 4;
inline constexpr int32_t kFileAccessDenied = 5;
inline constexpr int32_t kFileDiskFull = 101;

// True when something that is not a folder exists under path.
bool FileExists(const std::string& path);

// Creates the file, or truncates it when it exists, and writes text. A failed write leaves the
// file empty.
int32_t CreateTextFile(const std::string& path, std::string_view text);

// Opens an existing file for appending and closes it again, writing nothing: tells whether
// later appends can work. A missing file is not created.
int32_t OpenForAppend(const std::string& path);

// Appends text to an existing file in one piece: when the write fails or comes up short, the
// file is cut back to its previous length, so it never ends in a partial text.
int32_t AppendText(const std::string& path, std::string_view text);

}  // namespace platform
