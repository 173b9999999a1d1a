// The request log kept for tests.
#include "request_log.h"

#include <chrono>

namespace sim {

void RequestLog::Add(LoggedRequest r) {
  std::lock_guard lock(mutex_);
  r.seq = next_seq_++;
  // When the request came, for benches that time a client against its launch.
  r.time =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  entries_.push_back(std::move(r));
  while (entries_.size() > capacity_) entries_.pop_front();
}

void RequestLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::size_t RequestLog::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

nlohmann::json RequestLog::ToJson() const {
  std::lock_guard lock(mutex_);
  nlohmann::json list = nlohmann::json::array();
  for (const LoggedRequest& r : entries_) {
    list.push_back({{"seq", r.seq},
                    {"method", r.method},
                    {"path", r.path},
                    {"query", r.query},
                    {"user_agent", r.user_agent},
                    {"time", r.time}});
  }
  return {{"requests", list}};
}

std::string QueryOf(const std::string& target) {
  const auto q = target.find('?');
  return q == std::string::npos ? std::string() : target.substr(q + 1);
}

}  // namespace sim
