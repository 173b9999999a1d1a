// Fault descriptions, their JSON form and the per-path table.
#include "faults.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace sim {
namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 8> kKinds = {{
    {FaultKind::kError500, "error500"},
    {FaultKind::kNotJson, "not_json"},
    {FaultKind::kEmpty, "empty"},
    {FaultKind::kRedirect, "redirect"},
    {FaultKind::kDrop, "drop"},
    {FaultKind::kStall, "stall"},
    {FaultKind::kLarge, "large"},
    {FaultKind::kCustom, "custom"},
}};

constexpr char kLargeHead[] = "{\"title\":\"";
constexpr char kLargeTail[] = "\"}";

}  // namespace

const char* FaultKindName(FaultKind kind) {
  for (const auto& [k, name] : kKinds) {
    if (k == kind) return name;
  }
  return "?";
}

Fault FaultFromJson(const nlohmann::json& j) {
  if (!j.is_object()) throw std::invalid_argument("a fault must be an object");
  Fault f;
  const std::string path = j.value("path", "");
  if (path.empty() || path[0] != '/') throw std::invalid_argument("path must start with /");
  f.path = path;
  const std::string kind = j.value("kind", "");
  const auto it =
      std::find_if(kKinds.begin(), kKinds.end(), [&](const auto& k) { return kind == k.second; });
  if (it == kKinds.end()) throw std::invalid_argument("unknown fault kind: " + kind);
  f.kind = it->first;
  f.remaining = j.value("count", -1);
  f.status = j.value("status", 0);
  f.location = j.value("location", "");
  f.body = j.value("body", f.kind == FaultKind::kRedirect ? "<html><body>Moved</body></html>" : "");
  f.content_type = j.value("content_type", f.content_type);
  f.size = j.value("size", f.size);
  f.stall_seconds = j.value("stall_seconds", f.stall_seconds);
  f.stall_before_headers = j.value("before_headers", false);
  f.chunked = j.value("chunked", false);
  if (f.remaining == 0 || f.remaining < -1) throw std::invalid_argument("count must be positive");
  if (f.status != 0 && (f.status < 100 || f.status > 599)) {
    throw std::invalid_argument("status must be 100 to 599");
  }
  if (f.kind == FaultKind::kRedirect && f.location.empty()) {
    throw std::invalid_argument("a redirect needs a location");
  }
  if (!std::isfinite(f.stall_seconds) || f.stall_seconds < 0 || f.stall_seconds > 3600) {
    throw std::invalid_argument("stall_seconds must be 0 to 3600");
  }
  if (f.size < sizeof kLargeHead + sizeof kLargeTail || f.size > (std::size_t{1} << 30)) {
    throw std::invalid_argument("size must be 16 bytes to 1 GiB");
  }
  return f;
}

nlohmann::json FaultToJson(const Fault& f) {
  return {{"path", f.path},
          {"kind", FaultKindName(f.kind)},
          {"count", f.remaining},
          {"status", f.status},
          {"location", f.location},
          {"body", f.body},
          {"content_type", f.content_type},
          {"size", f.size},
          {"stall_seconds", f.stall_seconds},
          {"before_headers", f.stall_before_headers},
          {"chunked", f.chunked}};
}

std::optional<Fault> FaultTable::Take(const std::string& path) {
  const auto it = faults_.find(path);
  if (it == faults_.end()) return std::nullopt;
  Fault f = it->second;
  if (it->second.remaining > 0 && --it->second.remaining == 0) faults_.erase(it);
  return f;
}

std::vector<Fault> FaultTable::List() const {
  std::vector<Fault> out;
  for (const auto& [path, f] : faults_) out.push_back(f);
  return out;
}

std::string ServerErrorPage() {
  return "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>\n"
         "<body><h1>Internal Server Error</h1><p>The server encountered an internal error."
         "</p></body></html>\n";
}

std::string LargeJsonPiece(std::size_t offset, std::size_t length, std::size_t total) {
  const std::string head = kLargeHead;
  const std::string tail = kLargeTail;
  std::string out;
  out.reserve(length);
  for (std::size_t i = offset; i < offset + length && i < total; ++i) {
    if (i < head.size()) {
      out += head[i];
    } else if (i >= total - tail.size()) {
      out += tail[i - (total - tail.size())];
    } else {
      out += static_cast<char>('a' + i % 26);
    }
  }
  return out;
}

}  // namespace sim
