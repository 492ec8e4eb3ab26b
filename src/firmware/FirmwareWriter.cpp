#include "firmware/FirmwareWriter.h"

#include <stdexcept>

#include "firmware/Crc32.h"

namespace kelvo {

void TFwFileBuilder::Le32(uint32_t value) {
  for (int i = 0; i < 4; ++i) File.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TFwFileBuilder& TFwFileBuilder::Header(const TFwHeader& header) {
  File.push_back(ftHeader);
  File.push_back(header.DeviceID);
  Le32(header.FlashPageSize);
  Le32(header.EepromPageSize);
  Le32(header.FlashRbfPageSize);
  return *this;
}

TFwFileBuilder& TFwFileBuilder::Section(TFwRecordTag tag, const std::vector<uint8_t>& data) {
  if (data.size() > 0xFFFFFFF8u) throw std::length_error("section too large for a .fw file");
  const auto length = static_cast<uint32_t>(data.size());
  std::vector<uint8_t> padded = data;
  padded.resize(PaddedSectionLength(length), 0);
  return SectionRaw(tag, length, padded);
}

TFwFileBuilder& TFwFileBuilder::SectionRaw(TFwRecordTag tag, uint32_t declaredLength,
                                           const std::vector<uint8_t>& following) {
  File.push_back(tag);
  Le32(declaredLength);
  return Raw(following);
}

TFwFileBuilder& TFwFileBuilder::Raw(const std::vector<uint8_t>& bytes) {
  File.insert(File.end(), bytes.begin(), bytes.end());
  return *this;
}

TFwFileBuilder& TFwFileBuilder::End() {
  const uint32_t crc = Crc32Update(File.data(), static_cast<uint32_t>(File.size()), 0);
  return EndWithCrc(crc);
}

TFwFileBuilder& TFwFileBuilder::EndWithCrc(uint32_t crc) {
  File.push_back(ftEnd);
  Le32(crc);
  return *this;
}

std::vector<uint8_t> WriteFirmwareFile(const TFwHeader& header, const std::vector<uint8_t>& flash,
                                       const std::vector<uint8_t>& eeprom, const std::vector<uint8_t>& flashRbf) {
  TFwFileBuilder builder;
  builder.Header(header);
  if (!flash.empty()) builder.Section(ftFlash, flash);
  if (!eeprom.empty()) builder.Section(ftEeprom, eeprom);
  if (!flashRbf.empty()) builder.Section(ftFlashRbf, flashRbf);
  return builder.End().Bytes();
}

}  // namespace kelvo
