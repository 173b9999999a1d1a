// Faults a test can put on a path: broken answers the program must survive.
#pragma once

#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum class FaultKind {
  kError500,  // status 500 with an HTML error page
  kNotJson,   // status 200 with a text that is no JSON
  kEmpty,     // status 200 with an empty body
  kRedirect,  // status 302 (or `status`) to `location`, with `body`
  kDrop,      // the normal answer, connection closed after half of it
  kStall,     // half of the normal answer, then nothing for `stall_seconds`
  kLarge,     // a valid JSON text of `size` bytes
  kCustom,    // `status`, `content_type` and `body` as given
};

struct Fault {
  std::string path;  // exact request path, already %-decoded
  FaultKind kind = FaultKind::kError500;
  int remaining = -1;  // answers left; -1 for ever
  int status = 0;      // 0: the kind's own status
  std::string location;
  std::string body;
  std::string content_type = "application/json";
  std::size_t size = (std::size_t{2} << 20) + 1;
  double stall_seconds = 30;
  bool stall_before_headers = false;
  bool chunked = false;  // kLarge: no Content-Length
};

// Throws std::invalid_argument on an unknown kind or a bad member.
Fault FaultFromJson(const nlohmann::json& j);
nlohmann::json FaultToJson(const Fault& f);
const char* FaultKindName(FaultKind kind);

// One fault per path; not thread-safe (the simulator's state lock guards it).
class FaultTable {
 public:
  void Set(Fault f) { faults_[f.path] = std::move(f); }
  void Remove(const std::string& path) { faults_.erase(path); }
  void Clear() { faults_.clear(); }
  // The fault for `path`, counting one use of it; nullopt when there is none.
  std::optional<Fault> Take(const std::string& path);
  std::vector<Fault> List() const;

 private:
  std::map<std::string, Fault> faults_;
};

// The HTML page of a kError500 answer.
std::string ServerErrorPage();

// `size` bytes of valid JSON: an object with one long string member.
std::string LargeJsonPiece(std::size_t offset, std::size_t length, std::size_t total);

}  // namespace sim
