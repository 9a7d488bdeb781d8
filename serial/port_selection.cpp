#include "serial/port_selection.h"

#include <utility>

namespace sio {

namespace {

PortPrompt& Installed() {
  static PortPrompt prompt;
  return prompt;
}

}  // namespace

void SetPortPrompt(PortPrompt prompt) { Installed() = std::move(prompt); }

std::optional<int32_t> PromptForPortNumber() {
  const PortPrompt& prompt = Installed();
  return prompt ? prompt() : std::nullopt;
}

}  // namespace sio
