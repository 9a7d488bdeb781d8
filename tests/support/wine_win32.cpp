#include "tests/support/wine.h"

#include <windows.h>

namespace test_support {

// Wine's ntdll exports its version; Windows' does not.
bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace test_support
