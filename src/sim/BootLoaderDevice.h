#pragma once
// A boot loader in software: bytes in, bytes out, time given by the caller.
// No I/O of its own, so it runs on a pseudo-terminal (kelvo-sim) and in
// virtual time inside tests alike.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace kelvo::sim {

enum TMemory : uint8_t { mFlash = 0, mEeprom = 1, mFlashRbf = 2 };
const char* MemoryName(TMemory memory);  // "flash", "eeprom", "flash_rbf"

struct TMemoryGeometry {
  uint32_t PageSize;
  uint32_t PageCount;
};

enum TFaultKind : uint8_t {
  fkNack,        // reply 0x42 (page checksum error)
  fkDrop,        // no reply at all
  fkBadSum,      // reply with a wrong checksum
  fkBadStart,    // reply with start byte 0xFE
  fkLate,        // reply DelayMs late
  fkPageNumber,  // reply 0x43 (page number error)
  fkStray,       // Bytes stray bytes before the reply
  fkCode,        // reply with Code instead
  fkHangUp,      // hang up the line after Page acknowledged pages
};

// Which exchanges a fault hits: the version request (Version), the page
// exchange of the Page-th page (counted from 1 over the whole session), every
// Every-th page, or every page when neither is given; in each case the first
// Count attempts of that exchange.
struct TFault {
  TFaultKind Kind = fkNack;
  bool Version = false;
  uint32_t Page = 0;
  uint32_t Every = 0;
  uint32_t Count = 1;
  uint32_t DelayMs = 0;
  uint8_t Code = 0;
  uint32_t Bytes = 0;
};

struct TDeviceOptions {
  uint8_t Version = 3;
  TMemoryGeometry Memories[3] = {{264, 4096}, {32, 128}, {264, 4096}};
  uint32_t HandshakeBaud = 0;  // the speed the version request must come at; 0 any
  uint32_t PageBaud = 0;       // the speed page frames must come at; 0 any
  bool LineRate = false;       // replies wait for the wire time of what came and of themselves
  uint32_t ProcessingUs = 0;   // extra time a page takes to write
  std::vector<TFault> Faults;
};

// One frame as the device saw it.
struct TRecord {
  uint64_t TimeUs = 0;
  uint32_t Baud = 0;
  std::array<uint8_t, 7> Frame{};
  uint32_t PageBytes = 0;  // bytes of the page that followed
  int Reply = -1;          // reply code sent, -1 for none
  std::string Note;
};

class TBootLoaderDevice {
 public:
  explicit TBootLoaderDevice(TDeviceOptions options = {});

  // Bytes that arrived from the host at nowUs while the line ran at baud.
  void Receive(const uint8_t* data, size_t count, uint64_t nowUs, uint32_t baud);
  // The reply bytes due by nowUs, taken out of the device.
  std::vector<uint8_t> TakeDue(uint64_t nowUs);
  bool HasPending() const { return !Pending.empty(); }
  uint64_t NextDueUs() const { return Pending.empty() ? UINT64_MAX : Pending.front().DueUs; }

  bool HungUp() const { return FHungUp; }
  bool Restarted() const { return FRestarted; }
  const TDeviceOptions& Options() const { return FOptions; }
  // The whole memory (erased bytes are 0xFF).
  const std::vector<uint8_t>& Memory(TMemory memory) const { return Memories[memory]; }
  // The memory up to the end of the highest page written.
  std::vector<uint8_t> WrittenMemory(TMemory memory) const;
  const std::vector<TRecord>& Records() const { return FRecords; }
  std::string Transcript() const;
  // flash.bin, eeprom.bin, flash_rbf.bin (as WrittenMemory) and transcript.txt.
  bool WriteOutputs(const std::string& folder) const;

 private:
  struct TOutput {
    uint64_t DueUs;
    std::vector<uint8_t> Bytes;
  };
  void FrameComplete(uint32_t baud);
  void PageComplete(uint32_t baud);
  void Reply(uint8_t code, uint8_t data0, uint32_t baud, const TFault* fault);
  const TFault* FaultFor(bool version, uint32_t ordinal, uint32_t attempt) const;
  uint64_t WireUs(size_t bytes, uint32_t baud) const;

  TDeviceOptions FOptions;
  std::vector<uint8_t> Memories[3];
  uint32_t Written[3] = {0, 0, 0};  // pages written up to, per memory
  std::vector<uint8_t> Frame;
  std::vector<uint8_t> Page;
  bool InPage = false;
  uint64_t NowUs = 0;
  uint64_t RxFreeUs = 0;  // when the last received byte has crossed the wire
  std::deque<TOutput> Pending;
  std::vector<TRecord> FRecords;
  // The page under way: which, its ordinal and attempt.
  int LastMemory = -1;
  uint32_t LastNumber = 0;
  uint32_t Ordinal = 0;
  uint32_t Attempt = 0;
  uint32_t VersionAttempts = 0;
  uint32_t Acked = 0;
  bool FHungUp = false;
  bool FRestarted = false;
};

}  // namespace kelvo::sim
