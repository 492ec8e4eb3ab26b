#pragma once
// Writes .fw files: the inverse of ReadFirmwareImage. The builder also makes
// damaged files on purpose, for tests.
#include <cstdint>
#include <vector>

#include "base/ByteBuffer.h"
#include "firmware/FirmwareImage.h"

namespace kelvo {

struct TFwHeader {
  uint8_t DeviceID = 0;
  uint32_t FlashPageSize = 0;
  uint32_t EepromPageSize = 0;
  uint32_t FlashRbfPageSize = 0;
};

class TFwFileBuilder {
 public:
  TFwFileBuilder& Header(const TFwHeader& header);
  // A section record of data.size() bytes, padded with zeros to a multiple of 8.
  TFwFileBuilder& Section(TFwRecordTag tag, const std::vector<uint8_t>& data);
  // A section record with any declared length, followed by exactly the given bytes.
  TFwFileBuilder& SectionRaw(TFwRecordTag tag, uint32_t declaredLength, const std::vector<uint8_t>& following);
  TFwFileBuilder& Raw(const std::vector<uint8_t>& bytes);
  // The end record with the CRC-32 of everything before it.
  TFwFileBuilder& End();
  TFwFileBuilder& EndWithCrc(uint32_t crc);
  const std::vector<uint8_t>& Bytes() const { return File; }
  TByteBuffer Buffer() const { return TByteBuffer(File); }

 private:
  void Le32(uint32_t value);
  std::vector<uint8_t> File;
};

// A well-formed file: header, the non-empty sections in the order flash,
// EEPROM, flash_rbf, and the end record.
std::vector<uint8_t> WriteFirmwareFile(const TFwHeader& header, const std::vector<uint8_t>& flash,
                                       const std::vector<uint8_t>& eeprom, const std::vector<uint8_t>& flashRbf);

}  // namespace kelvo
