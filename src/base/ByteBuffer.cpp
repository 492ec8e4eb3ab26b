#include "base/ByteBuffer.h"

#include <cstring>
#include <memory>

#include "base/Errors.h"
#include "base/FileAccess.h"

namespace kelvo {

namespace {
struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;
}  // namespace

void TByteBuffer::SetSize(uint64_t size) { Bytes.resize(static_cast<size_t>(size), 0); }

uint64_t TByteBuffer::Read(void* destination, uint64_t count) {
  const uint64_t n = count < Remaining() ? count : Remaining();
  if (n > 0) {
    std::memcpy(destination, Bytes.data() + Pos, static_cast<size_t>(n));
    Pos += n;
  }
  return n;
}

void TByteBuffer::ReadBuffer(void* destination, uint64_t count) {
  if (Remaining() < count) throw EStreamReadError();
  Read(destination, count);
}

void TByteBuffer::CopyTo(TByteBuffer& destination, uint64_t count) {
  if (Remaining() < count) throw EStreamReadError();
  destination.Append(Bytes.data() + Pos, count);
  Pos += count;
}

void TByteBuffer::Append(const void* data, uint64_t count) {
  if (count == 0) return;
  const auto* first = static_cast<const uint8_t*>(data);
  Bytes.insert(Bytes.end(), first, first + count);
}

void TByteBuffer::LoadFromFile(const std::string& path) {
  TFilePtr file(OpenFileForSharedRead(path));
  if (!file) throw EFOpenError(path);
  std::vector<uint8_t> content;
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    content.insert(content.end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  // A read error half-way (a device gone away) is not a short file.
  if (std::ferror(file.get())) throw EFOpenError(path);
  Bytes = std::move(content);
  Pos = 0;
}

void TByteBuffer::SaveToFile(const std::string& path) const {
  TFilePtr file(CreateFileExclusive(path));
  if (!file) throw EFCreateError(path);
  const bool written = Bytes.empty() || std::fwrite(Bytes.data(), 1, Bytes.size(), file.get()) == Bytes.size();
  const bool closed = std::fclose(file.release()) == 0;
  // A full disk shows only here; a half-written file must not pass as saved.
  if (!written || !closed) throw EFCreateError(path);
}

}  // namespace kelvo
