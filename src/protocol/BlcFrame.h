#pragma once
// The boot loader's 7-byte command frame, in memory exactly as on the wire:
// start 0xFF, command, four data bytes (big-endian fields), checksum of bytes 1..5.
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kelvo {

// Every code of the protocol.
enum TBlcCode : uint8_t {
  blcWriteFlashPage = 0x40,     // host: a flash page follows
  blcWriteEepromPage = 0x80,    // host: an EEPROM page follows
  blcWriteFlashRbfPage = 0x90,  // host: a flash_rbf page follows
  blcRestart = 0x44,            // host: restart; no reply
  blcAckVersion = 0x45,         // host: version request; device: version in byte 2
  blcAckOk = 0x41,              // device: page accepted
  blcErrPageCheckSum = 0x42,    // device: page data sum wrong, send it again
  blcErrPageNumber = 0x43,      // device: unexpected page number, give up
};

// Name of a code ("blcAckOk"), or nullptr for a code outside the table.
const char* BlcCodeName(uint8_t code);

constexpr uint32_t BlcFrameSize = 7;
constexpr uint8_t BlcStartByte = 0xFF;

struct TBlcFrame {
  uint8_t Bytes[BlcFrameSize];

  // Start byte 0xFF, data bytes 0; command and checksum left as they are.
  void InitFrame();
  // Data bytes 0, then the command; start byte and checksum left as they are.
  void SetCommand(uint8_t code);
  void SetPageNumber(uint16_t number);
  // The 16-bit sum of the page's bytes.
  void SetDataSum(const uint8_t* data, uint32_t length);
  uint8_t CalcCheckSum() const;
  void SetCheckSum();
  void ClearData();
  // Start byte 0xFF and a matching checksum.
  bool IsCorrectCheckSum() const;
  uint8_t GetCommand() const { return Bytes[1]; }
};

static_assert(sizeof(TBlcFrame) == BlcFrameSize, "TBlcFrame is the 7 wire bytes and nothing else");
static_assert(offsetof(TBlcFrame, Bytes) == 0, "TBlcFrame starts with the start byte");
static_assert(std::is_trivially_copyable<TBlcFrame>::value, "TBlcFrame goes to the port as it is");

// The 16-bit sum of length bytes.
uint16_t PageDataSum(const uint8_t* data, uint32_t length);

}  // namespace kelvo
