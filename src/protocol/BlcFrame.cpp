#include "protocol/BlcFrame.h"

namespace kelvo {

const char* BlcCodeName(uint8_t code) {
  switch (code) {
    case blcWriteFlashPage: return "blcWriteFlashPage";
    case blcWriteEepromPage: return "blcWriteEepromPage";
    case blcWriteFlashRbfPage: return "blcWriteFlashRbfPage";
    case blcRestart: return "blcRestart";
    case blcAckVersion: return "blcAckVersion";
    case blcAckOk: return "blcAckOk";
    case blcErrPageCheckSum: return "blcErrPageCheckSum";
    case blcErrPageNumber: return "blcErrPageNumber";
    default: return nullptr;
  }
}

uint16_t PageDataSum(const uint8_t* data, uint32_t length) {
  uint16_t sum = 0;
  for (uint32_t i = 0; i < length; ++i) sum = static_cast<uint16_t>(sum + data[i]);
  return sum;
}

void TBlcFrame::InitFrame() {
  Bytes[0] = BlcStartByte;
  ClearData();
}

void TBlcFrame::SetCommand(uint8_t code) {
  ClearData();
  Bytes[1] = code;
}

void TBlcFrame::SetPageNumber(uint16_t number) {
  Bytes[2] = static_cast<uint8_t>(number >> 8);
  Bytes[3] = static_cast<uint8_t>(number);
}

void TBlcFrame::SetDataSum(const uint8_t* data, uint32_t length) {
  const uint16_t sum = PageDataSum(data, length);
  Bytes[4] = static_cast<uint8_t>(sum >> 8);
  Bytes[5] = static_cast<uint8_t>(sum);
}

uint8_t TBlcFrame::CalcCheckSum() const {
  uint8_t sum = 0;
  for (int i = 1; i <= 5; ++i) sum = static_cast<uint8_t>(sum + Bytes[i]);
  return sum;
}

void TBlcFrame::SetCheckSum() { Bytes[6] = CalcCheckSum(); }

void TBlcFrame::ClearData() { Bytes[2] = Bytes[3] = Bytes[4] = Bytes[5] = 0; }

bool TBlcFrame::IsCorrectCheckSum() const { return Bytes[0] == BlcStartByte && Bytes[6] == CalcCheckSum(); }

}  // namespace kelvo
