#pragma once
namespace kelvo::cli {
// Whether standard error is a terminal (progress bars go there only then).
bool StandardErrorIsTerminal();
}  // namespace kelvo::cli
