#include "serial/posix/SysfsPorts.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "serial/PortDiscovery.h"

namespace kelvo {

namespace {

struct TDirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// The serial core lists every possible ttyS line; those without a UART
// report type 0 (no port).
bool HasUart(const std::string& ttyDir) {
  std::ifstream type(ttyDir + "/type");
  int value = 0;
  return type >> value && value != 0;
}

void SplitTrailingNumber(const std::string& name, std::string& stem, unsigned long long& number, bool& hasNumber) {
  size_t cut = name.size();
  while (cut > 0 && name[cut - 1] >= '0' && name[cut - 1] <= '9') --cut;
  stem = name.substr(0, cut);
  hasNumber = cut < name.size() && name.size() - cut < 19;
  number = hasNumber ? std::strtoull(name.c_str() + cut, nullptr, 10) : 0;
}

}  // namespace

bool NaturalPortLess(const std::string& a, const std::string& b) {
  std::string stemA, stemB;
  unsigned long long numberA = 0, numberB = 0;
  bool hasA = false, hasB = false;
  SplitTrailingNumber(a, stemA, numberA, hasA);
  SplitTrailingNumber(b, stemB, numberB, hasB);
  if (stemA != stemB) return stemA < stemB;
  if (hasA != hasB) return !hasA;
  if (numberA != numberB) return numberA < numberB;
  return a < b;
}

void EnumerateSysfsSerialPorts(std::vector<std::string>& list, const std::string& sysfsRoot,
                               const std::string& devRoot) {
  list.clear();
  const std::string classDir = sysfsRoot + "/class/tty";
  std::unique_ptr<DIR, TDirCloser> dir(opendir(classDir.c_str()));
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string ttyDir = classDir + "/" + name;
    // Virtual consoles and pseudo-terminals have no device behind them.
    if (!Exists(ttyDir + "/device")) continue;
    if (name.compare(0, 4, "ttyS") == 0 && !HasUart(ttyDir)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NaturalPortLess);
  for (const std::string& name : names) list.push_back(devRoot + "/" + name);
}

void EnumerateSystemSerialPorts(std::vector<std::string>& list) { EnumerateSysfsSerialPorts(list); }

}  // namespace kelvo
