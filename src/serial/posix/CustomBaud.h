#pragma once
// Speeds without a Bxxx constant (250000, 1000000 on some systems) go through
// termios2 on Linux. <asm/termbits.h> clashes with <termios.h>, so these
// calls live in a file of their own.
#include <cstdint>

namespace kelvo {

// Sets both directions of the line to baud, keeping the other settings.
bool SetCustomBaudRate(int fd, uint32_t baud);
// The output speed the driver holds, in bits per second; 0 when unknown.
uint32_t ReadCustomBaudRate(int fd);

}  // namespace kelvo
