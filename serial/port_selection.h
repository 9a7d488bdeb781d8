#pragma once
// How the port object asks the user for a port when none is configured. The Qt target of the
// "Select Port" dialog installs the prompt; without one, prompting behaves as a cancelled
// dialog.
#include <cstdint>
#include <functional>
#include <optional>

namespace sio {

// Shows the selection modally: the chosen port number when it ended with OK, nullopt for any
// other result. May raise (EConvertError when OK was pressed on an empty list).
using PortPrompt = std::function<std::optional<int32_t>()>;

void SetPortPrompt(PortPrompt prompt);
// The installed prompt's answer; nullopt without a prompt.
std::optional<int32_t> PromptForPortNumber();

}  // namespace sio
