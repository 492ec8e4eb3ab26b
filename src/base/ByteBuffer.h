#pragma once
// A growable block of bytes with a size and a read position, one contiguous
// block of memory: loaded files, section data and the glyph table live here.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

class TByteBuffer {
 public:
  TByteBuffer() = default;
  explicit TByteBuffer(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}

  uint64_t Size() const { return Bytes.size(); }
  uint64_t Position() const { return Pos; }
  // The position may lie beyond the end; reads there return nothing.
  void SetPosition(uint64_t position) { Pos = position; }
  // New bytes are zero; shrinking keeps the first bytes.
  void SetSize(uint64_t size);

  uint8_t* Data() { return Bytes.data(); }
  const uint8_t* Data() const { return Bytes.data(); }
  const std::vector<uint8_t>& Contents() const { return Bytes; }
  uint64_t Remaining() const { return Pos < Bytes.size() ? Bytes.size() - Pos : 0; }

  // Reads up to count bytes at the position; fewer at the end of the data,
  // without an error. Returns the number read and advances by it.
  uint64_t Read(void* destination, uint64_t count);
  // Reads exactly count bytes; EStreamReadError when fewer remain.
  void ReadBuffer(void* destination, uint64_t count);
  // Appends count bytes from the position to the end of destination;
  // EStreamReadError, before anything is copied or reserved, when fewer remain.
  void CopyTo(TByteBuffer& destination, uint64_t count);
  void Append(const void* data, uint64_t count);

  // The whole file; EFOpenError when it cannot be opened or read. Other
  // readers may have the file open at the same time.
  void LoadFromFile(const std::string& path);
  // Creates or replaces the file with the whole buffer, holding it for
  // exclusive access while writing; EFCreateError when that fails.
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<uint8_t> Bytes;
  uint64_t Pos = 0;
};

}  // namespace kelvo
