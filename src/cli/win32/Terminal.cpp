#include <io.h>
#include <stdio.h>

#include "cli/Terminal.h"

namespace kelvo::cli {
bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
}  // namespace kelvo::cli
