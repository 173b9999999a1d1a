#include "tests/e2e/audio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

namespace e2e {
namespace {

bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

}  // namespace

SessionBus::SessionBus(const std::string& folder) {
  const std::string socket = folder + "/bus";
  address_ = "unix:path=" + socket;
  daemon_.emplace(
      std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--address=" + address_},
      std::map<std::string, std::string>{});
  WaitForFile(socket, 10s);
}

PulseServer::PulseServer(const std::string& folder, const SessionBus& bus)
    : folder_(folder + "/pulse") {
  // Its own runtime folder (PulseAudio insists on mode 700) and home, so nothing
  // touches the user's sound server or settings.
  std::filesystem::create_directories(folder_ + "/runtime");
  std::filesystem::create_directories(folder_ + "/home");
  ::chmod((folder_ + "/runtime").c_str(), 0700);
  env_ = {{"XDG_RUNTIME_DIR", folder_ + "/runtime"},
          {"HOME", folder_ + "/home"},
          {"PULSE_SERVER", "unix:" + folder_ + "/runtime/pulse/native"},
          {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  daemon_.emplace(
      std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                               "--use-pid-file=no", "--load=module-null-sink sink_name=t",
                               "--load=module-native-protocol-unix auth-anonymous=1"},
      env_, folder_ + "/server.log");
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (!ready_ && std::chrono::steady_clock::now() < deadline) {
    ready_ = Run("pactl info", 5s) == 0;
    if (!ready_) std::this_thread::sleep_for(50ms);
  }
  ready_ = ready_ && Run("pactl set-default-sink t", 5s) == 0;
}

std::map<std::string, std::string> PulseServer::ClientEnv() const {
  return {{"PULSE_SERVER", env_.at("PULSE_SERVER")}};
}

int PulseServer::Run(const std::string& command, std::chrono::milliseconds timeout) const {
  Process p({"sh", "-c", command}, env_, folder_ + "/commands.log");
  return p.WaitExit(timeout).value_or(-1);
}

Process PulseServer::StartRecording(const std::string& raw_file, double seconds) const {
  // parec is stopped by head: stopping it with a signal loses what it has buffered.
  const long bytes = 2L * kChannels * std::lround(seconds * kRate);
  return Process({"sh", "-c",
                  "parec -d t.monitor --raw --format=s16le --rate=44100 --channels=2 "
                  "--latency-msec=50 | head -c " +
                      std::to_string(bytes) + " > '" + raw_file + "'"},
                 env_, folder_ + "/commands.log");
}

std::vector<std::int16_t> PulseServer::Record(double seconds) const {
  const std::string file = folder_ + "/recording.raw";
  std::filesystem::remove(file);
  Process recorder = StartRecording(file, seconds);
  const auto limit = std::chrono::milliseconds(std::lround(seconds * 1000)) + 10s;
  if (recorder.WaitExit(limit) != std::optional<int>(0)) return {};
  return ReadSamples(file);
}

Process PulseServer::StartPlaying(const std::string& sound_file) const {
  return Process({"paplay", "-d", "t", sound_file}, env_, folder_ + "/commands.log");
}

std::vector<std::int16_t> ReadSamples(const std::string& raw_file) {
  const std::string bytes = ReadFile(raw_file);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = std::int16_t(std::uint16_t(std::uint8_t(bytes[2 * i])) |
                              std::uint16_t(std::uint8_t(bytes[2 * i + 1])) << 8);
  return samples;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t first, std::size_t count) {
  const std::size_t end = std::min(samples.size(), count == SIZE_MAX ? SIZE_MAX : first + count);
  if (first >= end) return 0;
  double sum = 0;
  for (std::size_t i = first; i < end; ++i) sum += double(samples[i]) * samples[i];
  return std::sqrt(sum / double(end - first)) / 32768.0;
}

std::vector<double> BlockRms(const std::vector<std::int16_t>& samples, double block_seconds) {
  const auto block =
      std::size_t(std::lround(block_seconds * PulseServer::kRate)) * PulseServer::kChannels;
  std::vector<double> out;
  for (std::size_t first = 0; block > 0 && first + block <= samples.size(); first += block)
    out.push_back(Rms(samples, first, block));
  return out;
}

}  // namespace e2e
