// Every request the simulator answered, for tests to read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace sim {

struct LoggedRequest {
  std::uint64_t seq = 0;
  std::string method;
  std::string path;   // %-decoded
  std::string query;  // as sent, without '?'
  std::string user_agent;
  double time = 0;  // wall clock, seconds since 1970, when it was logged
};

// Thread-safe; keeps the newest `capacity` entries so a long demo stays small.
class RequestLog {
 public:
  explicit RequestLog(std::size_t capacity = 20000) : capacity_(capacity) {}
  void Add(LoggedRequest r);
  void Clear();
  nlohmann::json ToJson() const;
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::deque<LoggedRequest> entries_;
  std::uint64_t next_seq_ = 1;
  std::size_t capacity_;
};

// The query part of a request target ("/a?b=c" gives "b=c").
std::string QueryOf(const std::string& target);

}  // namespace sim
