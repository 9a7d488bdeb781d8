#pragma once
// The operating system line of the dispatch log header.
#include <string>

namespace platform {

// The text after "Operating System : ".
// Windows: the platform word, the major version, ".", the minor version, a blank and the
// service-pack text, as GetVersionExA reports them.
// Any other system: "Unknown", followed by the kernel's name and release in parentheses
// ("Unknown (Linux 6.1.0-13-amd64)"), or just "Unknown" when the system does not tell.
std::string OperatingSystemDescription();

}  // namespace platform
