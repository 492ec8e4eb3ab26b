#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kelvo::test {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path path = fs::temp_directory_path() /
                        ("kelvo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(path);
  FPath = path.string();
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  fs::remove_all(FPath, ignored);
}

std::string TTempDir::File(const std::string& name) const { return (fs::path(FPath) / name).string(); }

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kelvo::test
