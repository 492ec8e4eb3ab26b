#pragma once
// Command-line words of the simulator's options and faults.
#include <string>

#include "sim/BootLoaderDevice.h"

namespace kelvo::sim {

// KIND[:key=value,...]: kinds nack, drop, badsum, badstart, late, pagenumber,
// stray, code, hangup; keys version (no value), page, every, count, delay,
// code, bytes. Returns false with a reason for a malformed text.
bool ParseFault(const std::string& text, TFault& fault, std::string& error);
// SIZExCOUNT, for example 264x4096.
bool ParseGeometry(const std::string& text, TMemoryGeometry& geometry);

}  // namespace kelvo::sim
