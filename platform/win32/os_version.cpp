#include "platform/os_version.h"

#include "platform/win32/windows_api.h"

namespace platform {

namespace {

// The platform word of a version of the NT family; empty for 5.x versions after XP.
std::string NtFamilyWord(DWORD major, DWORD minor) {
  switch (major) {
    case 3: return "Windows NT 3.5 ";
    case 4: return "Windows NT 4 ";
    case 5:
      if (minor == 0) return "Windows 2000 ";
      return minor == 1 ? "Windows XP " : "";
    default: return "WinNT ";
  }
}

// The version as the system knows it. GetVersionExA answers 6.2 to programs that do not
// declare the newer versions in a manifest, so the true numbers come from ntdll where it
// offers them.
OSVERSIONINFOA SystemVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!GetVersionExA(&info)) info = {};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto rtlGetVersion = ntdll == nullptr ? nullptr
      : reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW trueVersion{};
  trueVersion.dwOSVersionInfoSize = sizeof trueVersion;
  if (rtlGetVersion != nullptr && rtlGetVersion(&trueVersion) == 0) {
    info.dwMajorVersion = trueVersion.dwMajorVersion;
    info.dwMinorVersion = trueVersion.dwMinorVersion;
    info.dwBuildNumber = trueVersion.dwBuildNumber;
  }
  return info;
}

}  // namespace

std::string OperatingSystemDescription() {
  const OSVERSIONINFOA info = SystemVersion();
  if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return "Unknown";
  return NtFamilyWord(info.dwMajorVersion, info.dwMinorVersion) +
         std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + " " +
         info.szCSDVersion;
}

}  // namespace platform
