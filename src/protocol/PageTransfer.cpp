#include "protocol/PageTransfer.h"

#include "base/Text.h"
#include "protocol/BlcFrame.h"

namespace kelvo {

uint32_t TransmitTimeMs(uint32_t bytes, uint32_t baud) { return bytes * 10000u / baud; }

bool SendPages(TTransferHost& host, TTargetMemory target, uint32_t pageSize, int32_t firstPage, TByteBuffer& buffer) {
  TCOMSocket& port = host.Port();
  uint64_t size = buffer.Size();
  host.Log(Format("   The size of the data to be transmitted.: %i.", static_cast<int>(size)));
  // No page count without a page size, and a hostile header must not make
  // the tool reserve gigabytes for padding.
  if (size > 0 && (pageSize == 0 || pageSize > BlcMaxPageSize)) {
    host.Log(Format("   Invalid page size: %u.", pageSize));
    return false;
  }
  if (size > 0) {
    const uint64_t fill = pageSize - size % pageSize;
    if (fill < pageSize) {
      buffer.SetSize(size + fill);
      size += fill;
    }
  }
  const uint64_t pageCount = size == 0 ? 0 : size / pageSize;
  host.Log(Format("   Number of pages to send: %i.", static_cast<int>(pageCount)));

  uint64_t offset = 0;
  int32_t pageNumber = firstPage;
  uint32_t attempts = 0;
  TBlcFrame frame{};
  frame.InitFrame();
  host.SetProgressMax(static_cast<int32_t>(pageCount));
  host.TransferStarted(target, pageSize, static_cast<uint32_t>(pageCount));

  while (offset < size) {
    host.ProcessMessages();
    host.SetProgressPosition(pageNumber - firstPage);
    switch (target) {
      case tmFlash: frame.SetCommand(blcWriteFlashPage); break;
      case tmEeprom: frame.SetCommand(blcWriteEepromPage); break;
      case tmFlashRbf: frame.SetCommand(blcWriteFlashRbfPage); break;
      default: return false;
    }
    const uint8_t* page = buffer.Data() + offset;
    frame.SetPageNumber(static_cast<uint16_t>(pageNumber));
    frame.SetDataSum(page, pageSize);
    frame.SetCheckSum();
    // Only a reply read over the last frame can have left another start byte.
    if (frame.Bytes[0] != BlcStartByte) {
      frame.Bytes[0] = BlcStartByte;
      host.Log("   Header error.. ");
    }
    if (port.Write(frame.Bytes, BlcFrameSize) != BlcFrameSize) return false;
    if (port.Write(page, pageSize) != pageSize) return false;
    frame.ClearData();

    const uint32_t timeout = TransmitTimeMs(pageSize + BlcFrameSize, port.CurrentBaudRate()) + BlcReplyTimeoutMs;
    const bool waitOk = port.WaitForData(BlcFrameSize, timeout, nullptr, BlcReplyPollMs);
    const bool readOk = port.Read(frame.Bytes, BlcFrameSize) == BlcFrameSize;
    const bool sumOk = frame.IsCorrectCheckSum();

    if (waitOk && readOk && sumOk) {
      const uint8_t code = frame.GetCommand();
      if (code == blcAckOk) {
        attempts = 0;
        offset += pageSize;
        ++pageNumber;
        continue;
      }
      if (code == blcErrPageNumber) {
        host.Log("      Page number error.");
        return false;
      }
      ++attempts;
      if (code == blcErrPageCheckSum)
        host.Log(Format("      Page checksum error. - pr" KELVO_O_ACUTE "ba %i/%i.", static_cast<int>(attempts),
                        static_cast<int>(BlcMaxPageAttempts)));
      else
        host.Log(Format("      Unknown error (Cmd: %i) - pr" KELVO_O_ACUTE "ba %i/%i.", static_cast<int>(code),
                        static_cast<int>(attempts), static_cast<int>(BlcMaxPageAttempts)));
    } else {
      ++attempts;
      host.Log(Format("   Sending page: %i/%i...", pageNumber - firstPage + 1, static_cast<int>(pageCount)));
      host.Log(Format("      Confirmation error - attempt %i/%i.", static_cast<int>(attempts),
                      static_cast<int>(BlcMaxPageAttempts)));
      if (!waitOk) host.Log("  SocketWaitForData error   ");
      if (!readOk) host.Log("  SocketRead error   ");
      if (!sumOk) host.Log("  pIsCorrectCheckSum error   ");
    }
    if (attempts >= BlcMaxPageAttempts) return false;
  }
  return true;
}

}  // namespace kelvo
