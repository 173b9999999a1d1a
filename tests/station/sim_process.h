// Test support: runs stationplayer-sim as a child process on a free loopback
// port, steers it through its control endpoint and makes raw requests to it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace sp::test {

class SimProcess {
 public:
  // Starts the simulator with `--port 0` and waits (at most 10 s) for the port
  // it reports. ok() is false when that failed.
  explicit SimProcess(const std::vector<std::string>& extra_args = {});
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  ~SimProcess() { Stop(); }

  // Ends the simulator (SIGTERM, then SIGKILL after 5 s) and waits for it.
  void Stop();

  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT"
  std::string ApiBase() const;  // BaseUrl() + "/api"

  // Sends `body` to /control/<path> with `method`; returns the JSON answer and
  // its status in `status`. Null on a failed request.
  nlohmann::json Control(const std::string& method, const std::string& path,
                         const nlohmann::json& body = nlohmann::json::object(),
                         long* status = nullptr) const;
  nlohmann::json Requests() const { return Control("GET", "requests")["requests"]; }

 private:
  pid_t pid_ = -1;
  int port_ = -1;
};

struct RawAnswer {
  int curl_code = -1;  // CURLcode; 0 is a complete transfer
  long status = 0;
  std::string body;
  std::string content_type;
  std::string location;
  std::chrono::duration<double> elapsed{};
};

// A GET with plain libcurl, no redirects followed, bounded to `timeout`.
RawAnswer RawGet(const std::string& url, std::chrono::seconds timeout = std::chrono::seconds(10),
                 const std::string& user_agent = "sim-test");

// Per-cent encoding of every byte outside A-Z a-z 0-9 and -._~/ .
std::string PercentEncode(const std::string& text);

}  // namespace sp::test
