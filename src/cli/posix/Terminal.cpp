#include <unistd.h>

#include "cli/Terminal.h"

namespace kelvo::cli {
bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }
}  // namespace kelvo::cli
