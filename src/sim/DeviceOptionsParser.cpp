#include "sim/DeviceOptionsParser.h"

#include <cstdlib>
#include <map>

namespace kelvo::sim {

namespace {
bool Number(const std::string& text, uint32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(v);
  return true;
}
}  // namespace

bool ParseFault(const std::string& text, TFault& fault, std::string& error) {
  static const std::map<std::string, TFaultKind> kinds = {
      {"nack", fkNack},         {"drop", fkDrop},   {"badsum", fkBadSum}, {"badstart", fkBadStart},
      {"late", fkLate},         {"pagenumber", fkPageNumber},            {"stray", fkStray},
      {"code", fkCode},         {"hangup", fkHangUp}};
  const size_t colon = text.find(':');
  const std::string kind = text.substr(0, colon);
  const auto found = kinds.find(kind);
  if (found == kinds.end()) {
    error = "unknown fault '" + kind + "'";
    return false;
  }
  fault = TFault{};
  fault.Kind = found->second;
  if (colon == std::string::npos) return true;
  std::string rest = text.substr(colon + 1);
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string item = rest.substr(0, comma);
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
    const size_t eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
    uint32_t n = 0;
    if (key == "version" && eq == std::string::npos) {
      fault.Version = true;
      continue;
    }
    if (!Number(value, n)) {
      error = "fault '" + text + "': '" + item + "' needs a number";
      return false;
    }
    if (key == "page") fault.Page = n;
    else if (key == "every") fault.Every = n;
    else if (key == "count") fault.Count = n;
    else if (key == "delay") fault.DelayMs = n;
    else if (key == "code") fault.Code = static_cast<uint8_t>(n);
    else if (key == "bytes") fault.Bytes = n;
    else {
      error = "fault '" + text + "': unknown key '" + key + "'";
      return false;
    }
  }
  return true;
}

bool ParseGeometry(const std::string& text, TMemoryGeometry& geometry) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  return Number(text.substr(0, x), geometry.PageSize) && Number(text.substr(x + 1), geometry.PageCount) &&
         static_cast<uint64_t>(geometry.PageSize) * geometry.PageCount <= (256ull << 20);
}

}  // namespace kelvo::sim
