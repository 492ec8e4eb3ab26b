#include "firmware/FirmwareImage.h"

#include "base/Text.h"
#include "firmware/Crc32.h"

namespace kelvo {

namespace {

uint32_t LoadLe32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
}

void StoreLe32(uint32_t v, uint8_t* b) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Reads a 32-bit field in place: bytes past the end of the data leave the
// field's present bytes as they are.
uint32_t ReadLe32Over(TByteBuffer& content, uint32_t present, uint64_t* got = nullptr) {
  uint8_t b[4];
  StoreLe32(present, b);
  const uint64_t n = content.Read(b, 4);
  if (got) *got = n;
  return LoadLe32(b);
}

uint32_t Crc32OfPrefix(const TByteBuffer& content, uint64_t length) {
  uint32_t crc = 0;
  const uint8_t* data = content.Data();
  while (length > 0) {
    const uint32_t run = length > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(length);
    crc = Crc32Update(data, run, crc);
    data += run;
    length -= run;
  }
  return crc;
}

}  // namespace

uint32_t PaddedSectionLength(uint32_t length) { return length % 8 == 0 ? length : length + 8 - length % 8; }

void ReadFirmwareImage(TByteBuffer& content, TFirmwareImage& image, const TLogLine& log) {
  content.SetPosition(0);
  image.HasHeader = image.CrcOk = image.HasFlash = image.HasEeprom = image.HasFlashRbf = false;
  while (content.Position() < content.Size()) {
    uint8_t tag = 0;
    content.Read(&tag, 1);
    switch (tag) {
      case ftHeader: {
        content.Read(&image.DeviceID, 1);
        image.FlashPageSize = ReadLe32Over(content, image.FlashPageSize);
        image.EepromPageSize = ReadLe32Over(content, image.EepromPageSize);
        image.FlashRbfPageSize = ReadLe32Over(content, image.FlashRbfPageSize);
        image.HasHeader = true;
        log(Format("DeviceID: %i (%.2X).", image.DeviceID, image.DeviceID));
        log(Format("Flash page size: %u.", image.FlashPageSize));
        log(Format("EEPROM page size: %u.", image.EepromPageSize));
        log(Format("FlashRbf page size: %u.", image.FlashRbfPageSize));
        break;
      }
      case ftFlash:
      case ftEeprom:
      case ftFlashRbf: {
        TByteBuffer& section = tag == ftFlash ? image.FlashData : tag == ftEeprom ? image.EepromData : image.FlashRbfData;
        bool& present = tag == ftFlash ? image.HasFlash : tag == ftEeprom ? image.HasEeprom : image.HasFlashRbf;
        const char* fault = tag == ftFlash    ? "Firmware error: flash error."
                            : tag == ftEeprom ? "Firmware error: eeprom error."
                                              : "Firmware error: Eeprom error.";
        uint64_t got = 0;
        const uint32_t length = ReadLe32Over(content, 0, &got);
        const uint32_t padded = PaddedSectionLength(length);
        // A file cut inside the length field is as damaged as a zero length.
        if (got < 4 || padded == 0) {
          log(fault);
          return;
        }
        content.CopyTo(section, padded);
        present = true;
        break;
      }
      case ftEnd: {
        const uint64_t covered = content.Size() >= 5 ? content.Size() - 5 : 0;
        const uint32_t computed = Crc32OfPrefix(content, covered);
        uint64_t got = 0;
        const uint32_t stored = ReadLe32Over(content, 0, &got);
        image.CrcOk = got == 4 && stored == computed;
        if (!image.CrcOk) {
          log(Format("Firmware error: crc32 0x%.8X / 0x%.8X.", stored, computed));
          return;
        }
        break;
      }
      default:
        return;
    }
  }
}

}  // namespace kelvo
