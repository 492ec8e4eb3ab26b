#pragma once
// CRC-32 of ISO-HDLC, IEEE 802.3 and zlib, table-driven, one byte a step.
#include <cstdint>

namespace kelvo {

// crc is the CRC of whatever preceded the run (0 for a fresh computation);
// two runs chained give the CRC of both joined.
uint32_t Crc32Update(const void* data, uint32_t length, uint32_t crc);

}  // namespace kelvo
