#pragma once
// The .fw firmware file: tagged records with 32-bit little-endian numbers,
// section data padded to a multiple of 8 bytes, and a CRC-32 end record.
#include <cstdint>
#include <functional>
#include <string>

#include "base/ByteBuffer.h"

namespace kelvo {

enum TFwRecordTag : uint8_t {
  ftHeader = 0,
  ftFlash = 1,
  ftEeprom = 2,
  ftFlashRbf = 3,
  ftEnd = 255,
};

// One line for the message log.
using TLogLine = std::function<void(const std::string& line)>;

struct TFirmwareImage {
  // From the last header record read; 0 means not given.
  uint8_t DeviceID = 0;
  uint32_t FlashPageSize = 0;
  uint32_t EepromPageSize = 0;
  uint32_t FlashRbfPageSize = 0;
  TByteBuffer FlashData;
  TByteBuffer EepromData;
  TByteBuffer FlashRbfData;
  bool HasHeader = false;  // a header record was read
  bool CrcOk = false;      // an end record's stored value matched the computed CRC-32
  bool HasFlash = false;
  bool HasEeprom = false;
  bool HasFlashRbf = false;
};

// Section length rounded up to a multiple of 8 in 32-bit arithmetic
// (0xFFFFFFF9 and above give 0).
uint32_t PaddedSectionLength(uint32_t length);

// Walks the records of a loaded file, logging the header and the first fault,
// and fills the image. Raises EStreamReadError when a section claims more
// data than the file holds. The section buffers of image must be empty.
void ReadFirmwareImage(TByteBuffer& content, TFirmwareImage& image, const TLogLine& log);

}  // namespace kelvo
