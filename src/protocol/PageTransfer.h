#pragma once
// SendPages: a byte buffer into one of the device's memories, page by page,
// each page a command frame plus its bytes, answered by a reply frame, with
// up to 300 attempts a page.
#include <cstdint>
#include <string>

#include "base/ByteBuffer.h"
#include "serial/COMSocket.h"

namespace kelvo {

enum TTargetMemory : uint8_t {
  tmFlash = 0,
  tmEeprom = 1,
  tmFlashRbf = 2,
};

constexpr uint32_t BlcMaxPageAttempts = 300;
constexpr uint32_t BlcReplyTimeoutMs = 3000;
constexpr uint32_t BlcReplyPollMs = 10;
// The largest page any memory of the device has room for; a file header
// asking for more is refused before memory is reserved for it.
constexpr uint32_t BlcMaxPageSize = 65536;

// What the engine borrows from its caller: the open port, the message log,
// the progress bar and the message pump.
class TTransferHost {
 public:
  virtual ~TTransferHost() = default;
  virtual TCOMSocket& Port() = 0;
  virtual void Log(const std::string& line) = 0;
  virtual void SetProgressMax(int32_t max) = 0;
  virtual void SetProgressPosition(int32_t position) = 0;
  // Lets pending window messages run, once.
  virtual void ProcessMessages() = 0;
  // A transfer of pageCount pages of pageSize bytes begins (for progress
  // displays that show bytes and time; the window does not need it).
  virtual void TransferStarted(TTargetMemory /*target*/, uint32_t /*pageSize*/, uint32_t /*pageCount*/) {}
};

// Milliseconds that bytes take on the line at baud, 10 bits a character:
// bytes * 10000 / baud in 32-bit arithmetic, rounded down.
uint32_t TransmitTimeMs(uint32_t bytes, uint32_t baud);

// True when every page was acknowledged (also for an empty buffer). The
// buffer is lengthened with zero bytes to whole pages.
bool SendPages(TTransferHost& host, TTargetMemory target, uint32_t pageSize, int32_t firstPage, TByteBuffer& buffer);

}  // namespace kelvo
