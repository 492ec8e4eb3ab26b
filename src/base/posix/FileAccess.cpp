#include "base/FileAccess.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelvo {

std::FILE* OpenFileForSharedRead(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

std::FILE* CreateFileExclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // Advisory on POSIX: keeps out other programs that lock, as Windows keeps out all.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) ::close(fd);
  return file;
}

}  // namespace kelvo
