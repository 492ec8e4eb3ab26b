#include "serial/PortName.h"

#include "serial/TextToInt.h"

namespace kelvo {

std::optional<int32_t> ComPortNumber(const std::string& text) {
  if (text.compare(0, 3, "COM") != 0) return std::nullopt;
  return TextToIntDef(text.substr(3), 0);
}

std::string ComDevicePath(int32_t portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

bool IsDevicePathText(const std::string& text) { return text.size() > 1 && text[0] == '/'; }

}  // namespace kelvo
