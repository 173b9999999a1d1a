// Starting and steering the simulator from tests.
#include "sim_process.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

extern char** environ;

namespace sp::test {
namespace {

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

size_t Collect(char* data, size_t size, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, size * n);
  return size * n;
}

// Reads the first line the child prints, waiting at most `timeout`.
std::string ReadFirstLine(int fd, std::chrono::milliseconds timeout) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  return line.substr(0, line.find('\n'));
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& extra_args) {
  // Loopback requests must not go to a proxy from the environment.
  for (const char* v :
       {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::unsetenv(v);
  }
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  std::vector<std::string> args = {SP_SIM_EXECUTABLE, "--port", "0"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (rc != 0) {
    pid_ = -1;
    ::close(out[0]);
    return;
  }
  const std::string line = ReadFirstLine(out[0], std::chrono::seconds(10));
  ::close(out[0]);
  const auto colon = line.rfind(':');
  if (line.rfind("listening on 127.0.0.1:", 0) == 0 && colon != std::string::npos) {
    port_ = std::atoi(line.c_str() + colon + 1);
  }
}

void SimProcess::Stop() {
  if (pid_ <= 0) return;
  const pid_t pid = pid_;
  pid_ = -1;
  ::kill(pid, SIGTERM);
  // Streams and stalls wake at once on stop; give it 5 s before forcing.
  for (int i = 0; i < 500; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

std::string SimProcess::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}
std::string SimProcess::ApiBase() const {
  return BaseUrl() + "/api";
}

nlohmann::json SimProcess::Control(const std::string& method, const std::string& path,
                                   const nlohmann::json& body, long* status) const {
  std::unique_ptr<CURL, CurlDeleter> h(curl_easy_init());
  const std::string url = BaseUrl() + "/control/" + path;
  const std::string text = body.dump();
  std::string answer;
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_CUSTOMREQUEST, method.c_str());
  // Without a JSON type the body counts as a form, which the server caps at 8 KiB.
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
      curl_slist_append(nullptr, "Content-Type: application/json"), &curl_slist_free_all);
  curl_easy_setopt(h.get(), CURLOPT_HTTPHEADER, headers.get());
  if (method != "GET") curl_easy_setopt(h.get(), CURLOPT_POSTFIELDS, text.c_str());
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(h.get(), CURLOPT_NOSIGNAL, 1L);
  if (curl_easy_perform(h.get()) != CURLE_OK) return nullptr;
  if (status != nullptr) curl_easy_getinfo(h.get(), CURLINFO_RESPONSE_CODE, status);
  return nlohmann::json::parse(answer, nullptr, false);
}

RawAnswer RawGet(const std::string& url, std::chrono::seconds timeout,
                 const std::string& user_agent) {
  RawAnswer a;
  std::unique_ptr<CURL, CurlDeleter> h(curl_easy_init());
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_USERAGENT, user_agent.c_str());
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &a.body);
  curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, long(timeout.count()));
  curl_easy_setopt(h.get(), CURLOPT_NOSIGNAL, 1L);
  const auto start = std::chrono::steady_clock::now();
  a.curl_code = curl_easy_perform(h.get());
  a.elapsed = std::chrono::steady_clock::now() - start;
  curl_easy_getinfo(h.get(), CURLINFO_RESPONSE_CODE, &a.status);
  char* type = nullptr;
  if (curl_easy_getinfo(h.get(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
    a.content_type = type;
  }
  char* location = nullptr;
  if (curl_easy_getinfo(h.get(), CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) {
    a.location = location;
  }
  return a;
}

std::string PercentEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace sp::test
