// Crc32Update and ReadFirmwareImage over a 16 MiB image, with zlib's crc32
// on the same bytes for comparison. Prints MB/s and the ratio of one run.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "firmware/Crc32.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareWriter.h"
#ifdef KELVO_HAVE_ZLIB
#include <zlib.h>
#endif

using namespace kelvo;

template <typename F>
double BestSeconds(int rounds, F&& run) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

int main() {
  const size_t size = 16u << 20;
  std::vector<uint8_t> data(size);
  std::mt19937 random(1);
  for (auto& b : data) b = static_cast<uint8_t>(random());
  const double mb = static_cast<double>(size) / 1e6;

  volatile uint32_t sink = 0;
  const double ours = BestSeconds(5, [&] { sink = Crc32Update(data.data(), static_cast<uint32_t>(size), 0); });
  std::printf("Crc32Update       %8.1f MB/s\n", mb / ours);
#ifdef KELVO_HAVE_ZLIB
  const double zlib = BestSeconds(5, [&] { sink = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(size))); });
  std::printf("zlib crc32        %8.1f MB/s\n", mb / zlib);
  std::printf("ratio Crc32Update / zlib = %.2f\n", zlib / ours);
#endif
  const std::vector<uint8_t> file = WriteFirmwareFile({3, 256, 32, 256}, data, {}, {});
  const double read = BestSeconds(5, [&] {
    TByteBuffer content(file);
    TFirmwareImage image;
    ReadFirmwareImage(content, image, [](const std::string&) {});
    if (!image.CrcOk) std::printf("CRC not verified!\n");
  });
  std::printf("ReadFirmwareImage %8.1f MB/s (16 MiB image, copy and CRC)\n", mb / read);
  return 0;
}
