#include "serial/PortDiscovery.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "serial/TextToInt.h"

namespace kelvo {

namespace {

// A registry value read as text: empty when it has no data; the characters
// up to the first null for the two string types; an error for any other type.
std::string ValueAsText(TSerialCommKey& key, const std::string& name) {
  TRegistryValue value;
  if (!key.QueryValue(name, value) || value.Data.empty()) return std::string();
  if (value.Type != RegSz && value.Type != RegExpandSz) throw std::runtime_error("Invalid data type for '" + name + "'");
  const auto* chars = reinterpret_cast<const char*>(value.Data.data());
  return std::string(chars, strnlen(chars, value.Data.size()));
}

}  // namespace

int32_t PortSortNumber(const std::string& entry) {
  return entry.size() < 4 ? 0 : TextToIntDef(entry.substr(3, 16), 0);
}

int ComparePortNumbers(const std::vector<std::string>& list, size_t index1, size_t index2) {
  const int32_t a = PortSortNumber(list[index1]);
  const int32_t b = PortSortNumber(list[index2]);
  return a < b ? -1 : a > b ? 1 : 0;
}

void EnumerateSerialPorts(std::vector<std::string>& list, const TSerialCommKeyOpener& openKey) {
  list.clear();
  std::vector<std::string> gathered;
  try {
    std::unique_ptr<TSerialCommKey> key = openKey ? openKey() : nullptr;
    if (key) {
      std::vector<std::string> names;
      key->ValueNames(names);
      for (const std::string& name : names) gathered.push_back(ValueAsText(*key, name));
    }
  } catch (...) {
    // A value that is no text ends the gathering; what came before it stays.
  }
  std::vector<size_t> order(gathered.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return ComparePortNumbers(gathered, a, b) < 0; });
  for (size_t index : order) list.push_back(gathered[index]);
}

}  // namespace kelvo
