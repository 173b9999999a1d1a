#include "tests/e2e/stream_standin.h"

#include <httplib.h>

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kSamplesPerFrame = 1152;
constexpr double kSampleRate = 44100;
// Sent at once on connect, as radio servers do, so playback starts without waiting
// for the buffer to fill at real-time pace.
constexpr std::size_t kBurstFrames = 40;

std::optional<std::size_t> FrameLength(const unsigned char* h) {
  static constexpr std::array<int, 15> kKbps = {0,   32,  40,  48,  56,  64,  80, 96,
                                                112, 128, 160, 192, 224, 256, 320};
  static constexpr std::array<int, 3> kRates = {44100, 48000, 32000};
  const bool sync = h[0] == 0xFF && (h[1] & 0xE0) == 0xE0;
  const bool mpeg1_layer3 = ((h[1] >> 3) & 3) == 3 && ((h[1] >> 1) & 3) == 1;
  const int bitrate = h[2] >> 4, rate = (h[2] >> 2) & 3, padding = (h[2] >> 1) & 1;
  if (!sync || !mpeg1_layer3 || bitrate == 0 || bitrate == 15 || rate == 3) return std::nullopt;
  return std::size_t(144000 * kKbps[std::size_t(bitrate)] / kRates[std::size_t(rate)] + padding);
}

}  // namespace

std::vector<std::string> SplitMp3Frames(const std::string& bytes) {
  std::vector<std::string> frames;
  std::size_t pos = 0;
  // An ID3v2 tag in front: "ID3", version, flags, then a 28-bit size in 7-bit bytes.
  if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data()) + 6;
    pos = 10 + ((s[0] & 0x7Fu) << 21 | (s[1] & 0x7Fu) << 14 | (s[2] & 0x7Fu) << 7 | (s[3] & 0x7Fu));
  }
  while (pos + 4 <= bytes.size()) {
    const auto len = FrameLength(reinterpret_cast<const unsigned char*>(bytes.data()) + pos);
    if (!len || pos + *len > bytes.size()) break;
    frames.push_back(bytes.substr(pos, *len));
    pos += *len;
  }
  return frames;
}

struct StreamStandIn::Server {
  httplib::Server http;
};

StreamStandIn::StreamStandIn(const std::string& mp3_file, std::size_t first, std::size_t count)
    : server_(std::make_unique<Server>()) {
  std::ifstream in(mp3_file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  auto frames = SplitMp3Frames(bytes.str());
  if (count == 0 || first + count > frames.size())
    throw std::runtime_error("not enough MP3 frames in " + mp3_file);
  frames_.assign(frames.begin() + std::ptrdiff_t(first),
                 frames.begin() + std::ptrdiff_t(first + count));

  server_->http.Get(
      R"(/stream/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
        std::size_t index = 0;
        {
          std::lock_guard lock(mutex_);
          index = requests_.size();
          requests_.push_back({req.path, req.get_header_value("User-Agent"), Clock::now(), {}});
        }
        const auto start = Clock::now();
        auto next = std::make_shared<std::size_t>(0);  // frames sent so far
        res.set_header("Cache-Control", "no-cache");
        res.set_content_provider(
            "audio/mpeg",
            [this, start, next](std::size_t, httplib::DataSink& sink) {
              if (stopping_) return false;
              const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
              const auto due = kBurstFrames + std::size_t(elapsed * kSampleRate / kSamplesPerFrame);
              if (*next >= due) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return true;
              }
              for (; *next < due; ++*next) {
                const std::string& frame = frames_[*next % frames_.size()];
                if (!sink.write(frame.data(), frame.size())) return false;
              }
              return true;
            },
            [this, index](bool) {
              std::lock_guard lock(mutex_);
              requests_[index].ended = Clock::now();
            });
      });
}

StreamStandIn::~StreamStandIn() {
  Stop();
}

bool StreamStandIn::Listen(int port, std::chrono::milliseconds patience) {
  // Not httplib's default SO_REUSEPORT: with it, a second server on the same port
  // (another test run's simulator, say) binds too and the kernel shares the
  // connections between the two.
  server_->http.set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  const auto deadline = Clock::now() + patience;
  while (!server_->http.bind_to_port("127.0.0.1", port)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  thread_ = std::thread([this] { server_->http.listen_after_bind(); });
  return true;
}

void StreamStandIn::Stop() {
  stopping_ = true;
  server_->http.stop();
  if (thread_.joinable()) thread_.join();
}

std::vector<StreamRequest> StreamStandIn::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<StreamRequest> StreamStandIn::WaitForRequests(std::size_t n,
                                                          std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  auto seen = Requests();
  while (seen.size() < n && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    seen = Requests();
  }
  return seen;
}

}  // namespace e2e
