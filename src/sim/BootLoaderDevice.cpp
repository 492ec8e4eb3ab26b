#include "sim/BootLoaderDevice.h"

#include <cstdio>
#include <fstream>

namespace kelvo::sim {

namespace {
uint8_t Sum(const uint8_t* frame) {
  return static_cast<uint8_t>(frame[1] + frame[2] + frame[3] + frame[4] + frame[5]);
}

int MemoryOfCommand(uint8_t code) {
  switch (code) {
    case 0x40: return mFlash;
    case 0x80: return mEeprom;
    case 0x90: return mFlashRbf;
    default: return -1;
  }
}
}  // namespace

const char* MemoryName(TMemory memory) {
  switch (memory) {
    case mFlash: return "flash";
    case mEeprom: return "eeprom";
    default: return "flash_rbf";
  }
}

TBootLoaderDevice::TBootLoaderDevice(TDeviceOptions options) : FOptions(std::move(options)) {
  for (int m = 0; m < 3; ++m)
    Memories[m].assign(static_cast<size_t>(FOptions.Memories[m].PageSize) * FOptions.Memories[m].PageCount, 0xFF);
}

uint64_t TBootLoaderDevice::WireUs(size_t bytes, uint32_t baud) const {
  if (!FOptions.LineRate || baud == 0) return 0;
  return static_cast<uint64_t>(bytes) * 10u * 1000000u / baud;
}

void TBootLoaderDevice::Receive(const uint8_t* data, size_t count, uint64_t nowUs, uint32_t baud) {
  if (FHungUp) return;
  NowUs = nowUs;
  // The bytes cross the wire one after another at the host's speed.
  RxFreeUs = (RxFreeUs > nowUs ? RxFreeUs : nowUs) + WireUs(count, baud);
  for (size_t i = 0; i < count && !FHungUp; ++i) {
    const uint8_t byte = data[i];
    if (InPage) {
      Page.push_back(byte);
      const int memory = MemoryOfCommand(Frame[1]);
      if (Page.size() == FOptions.Memories[memory].PageSize) PageComplete(baud);
      continue;
    }
    // Between frames the device hunts for a start byte.
    if (Frame.empty() && byte != 0xFF) continue;
    Frame.push_back(byte);
    if (Frame.size() == 7) FrameComplete(baud);
  }
}

void TBootLoaderDevice::FrameComplete(uint32_t baud) {
  TRecord record;
  record.TimeUs = NowUs;
  record.Baud = baud;
  std::copy(Frame.begin(), Frame.end(), record.Frame.begin());
  const uint8_t code = Frame[1];
  const bool sumOk = Sum(Frame.data()) == Frame[6];
  const int memory = MemoryOfCommand(code);
  if (memory >= 0 && FOptions.Memories[memory].PageSize > 0) {
    // The page follows whatever the frame's checksum says; it is judged then.
    InPage = true;
    Page.clear();
    FRecords.push_back(record);
    return;
  }
  Frame.clear();
  if (!sumOk) {
    record.Note = "frame checksum error";
  } else if (code == 0x45) {
    if (FOptions.HandshakeBaud != 0 && baud != FOptions.HandshakeBaud) {
      record.Note = "version request at the wrong speed, ignored";
    } else {
      ++VersionAttempts;
      record.Reply = 0x45;
      FRecords.push_back(record);
      Reply(0x45, FOptions.Version, baud, FaultFor(true, 0, VersionAttempts));
      return;
    }
  } else if (code == 0x44) {
    FRestarted = true;
    record.Note = "restart";
  } else {
    record.Note = "unknown command";
  }
  FRecords.push_back(record);
}

void TBootLoaderDevice::PageComplete(uint32_t baud) {
  InPage = false;
  TRecord& record = FRecords.back();
  record.PageBytes = static_cast<uint32_t>(Page.size());
  const int memory = MemoryOfCommand(Frame[1]);
  const uint32_t number = static_cast<uint32_t>(Frame[2]) << 8 | Frame[3];
  const uint16_t dataSum = static_cast<uint16_t>(Frame[4] << 8 | Frame[5]);
  const bool frameOk = Sum(Frame.data()) == Frame[6];
  Frame.clear();
  if (FOptions.PageBaud != 0 && baud != FOptions.PageBaud) {
    record.Note = "page at the wrong speed, ignored";
    return;
  }
  if (memory != LastMemory || number != LastNumber) {
    LastMemory = memory;
    LastNumber = number;
    ++Ordinal;
    Attempt = 0;
  }
  ++Attempt;
  uint16_t sum = 0;
  for (uint8_t b : Page) sum = static_cast<uint16_t>(sum + b);
  const TMemoryGeometry& geometry = FOptions.Memories[memory];
  const TFault* fault = FaultFor(false, Ordinal, Attempt);
  uint8_t code = 0x41;
  if (fault && fault->Kind == fkNack) code = 0x42;
  else if (fault && fault->Kind == fkPageNumber) code = 0x43;
  else if (!frameOk || sum != dataSum) code = 0x42;
  else if (number >= geometry.PageCount) code = 0x43;
  if (code == 0x41) {
    std::copy(Page.begin(), Page.end(), Memories[memory].begin() + static_cast<std::ptrdiff_t>(number) * geometry.PageSize);
    if (number + 1 > Written[memory]) Written[memory] = number + 1;
  }
  record.Reply = code;
  Reply(code, 0, baud, fault);
  if (code == 0x41) {
    ++Acked;
    for (const TFault& f : FOptions.Faults)
      if (f.Kind == fkHangUp && Acked >= f.Page) FHungUp = true;
  }
}

const TFault* TBootLoaderDevice::FaultFor(bool version, uint32_t ordinal, uint32_t attempt) const {
  for (const TFault& f : FOptions.Faults) {
    if (f.Kind == fkHangUp || f.Version != version || attempt > f.Count) continue;
    if (version) return &f;
    const bool hits = f.Page != 0 ? ordinal == f.Page : f.Every != 0 ? ordinal % f.Every == 0 : true;
    if (hits) return &f;
  }
  return nullptr;
}

void TBootLoaderDevice::Reply(uint8_t code, uint8_t data0, uint32_t baud, const TFault* fault) {
  if (fault && fault->Kind == fkDrop) {
    if (!FRecords.empty()) FRecords.back().Note = "reply dropped";
    return;
  }
  std::vector<uint8_t> bytes;
  if (fault && fault->Kind == fkStray) bytes.assign(fault->Bytes, 0x5A);
  if (fault && fault->Kind == fkCode) code = fault->Code;
  uint8_t frame[7] = {0xFF, code, data0, 0, 0, 0, 0};
  frame[6] = Sum(frame);
  if (fault && fault->Kind == fkBadSum) frame[6] = static_cast<uint8_t>(frame[6] + 1);
  if (fault && fault->Kind == fkBadStart) frame[0] = 0xFE;
  bytes.insert(bytes.end(), frame, frame + 7);
  uint64_t due = (FOptions.LineRate ? RxFreeUs : NowUs) + FOptions.ProcessingUs + WireUs(bytes.size(), baud);
  if (fault && fault->Kind == fkLate) due += static_cast<uint64_t>(fault->DelayMs) * 1000u;
  // Replies leave in order, one after the other on the wire.
  if (!Pending.empty() && Pending.back().DueUs > due) due = Pending.back().DueUs;
  Pending.push_back({due, std::move(bytes)});
}

std::vector<uint8_t> TBootLoaderDevice::TakeDue(uint64_t nowUs) {
  std::vector<uint8_t> out;
  while (!Pending.empty() && Pending.front().DueUs <= nowUs) {
    out.insert(out.end(), Pending.front().Bytes.begin(), Pending.front().Bytes.end());
    Pending.pop_front();
  }
  return out;
}

std::vector<uint8_t> TBootLoaderDevice::WrittenMemory(TMemory memory) const {
  const size_t end = static_cast<size_t>(Written[memory]) * FOptions.Memories[memory].PageSize;
  return std::vector<uint8_t>(Memories[memory].begin(), Memories[memory].begin() + static_cast<std::ptrdiff_t>(end));
}

std::string TBootLoaderDevice::Transcript() const {
  std::string text;
  char line[200];
  for (const TRecord& r : FRecords) {
    std::snprintf(line, sizeof line, "%10.3f ms %7u baud  %02X %02X %02X %02X %02X %02X %02X", r.TimeUs / 1000.0, r.Baud,
                  r.Frame[0], r.Frame[1], r.Frame[2], r.Frame[3], r.Frame[4], r.Frame[5], r.Frame[6]);
    text += line;
    if (r.PageBytes) text += " + " + std::to_string(r.PageBytes) + " bytes";
    if (r.Reply >= 0) {
      std::snprintf(line, sizeof line, "  -> %02X", r.Reply);
      text += line;
    }
    if (!r.Note.empty()) text += "  (" + r.Note + ")";
    text += "\n";
  }
  return text;
}

bool TBootLoaderDevice::WriteOutputs(const std::string& folder) const {
  bool ok = true;
  for (int m = 0; m < 3; ++m) {
    const std::vector<uint8_t> bytes = WrittenMemory(static_cast<TMemory>(m));
    std::ofstream out(folder + "/" + MemoryName(static_cast<TMemory>(m)) + ".bin", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ok = ok && static_cast<bool>(out);
  }
  std::ofstream transcript(folder + "/transcript.txt", std::ios::trunc);
  transcript << Transcript();
  return ok && static_cast<bool>(transcript);
}

}  // namespace kelvo::sim
