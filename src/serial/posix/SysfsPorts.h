#pragma once
#include <string>
#include <vector>

namespace kelvo {

// The real serial devices under <sysfsRoot>/class/tty (those with a device
// behind them, and of the ttyS ports only those with a UART), as paths under
// devRoot, in natural order (ttyUSB2 before ttyUSB10). Errors end the listing
// quietly with what was found.
void EnumerateSysfsSerialPorts(std::vector<std::string>& list, const std::string& sysfsRoot = "/sys",
                               const std::string& devRoot = "/dev");

// Name first, then the trailing number: ttyS9 < ttyS10 < ttyUSB0.
bool NaturalPortLess(const std::string& a, const std::string& b);

}  // namespace kelvo
