#include "tests/e2e/audio.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

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

// How parec records the monitor: the format the measurements read.
std::string RecorderCommand() {
  return "parec -d t.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=50";
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

std::string NameOf(SoundServerKind kind) {
  return kind == SoundServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

PulseServer::PulseServer(const std::string& folder, const SessionBus& bus, SoundServerKind kind)
    : folder_(folder + "/pulse"), kind_(kind) {
  // Its own runtime folder (both servers insist on mode 700) and home, so nothing
  // touches the user's sound server or settings.
  const std::string runtime = folder_ + "/runtime", home = folder_ + "/home";
  std::filesystem::create_directories(runtime);
  std::filesystem::create_directories(home);
  ::chmod(runtime.c_str(), 0700);
  env_ = {{"XDG_RUNTIME_DIR", runtime},
          {"HOME", home},
          {"XDG_CONFIG_HOME", home + "/.config"},
          {"XDG_STATE_HOME", home + "/.local/state"},
          {"XDG_DATA_HOME", home + "/.local/share"},
          {"PULSE_SERVER", "unix:" + runtime + "/pulse/native"},
          {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  if (kind == SoundServerKind::PipeWire) {
    StartPipeWire();
  } else {
    daemons_.push_back(std::make_unique<Process>(
        std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                 "--use-pid-file=no", "--load=module-null-sink sink_name=t",
                                 "--load=module-native-protocol-unix auth-anonymous=1"},
        env_, folder_ + "/server.log"));
  }
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (!ready_ && std::chrono::steady_clock::now() < deadline) {
    ready_ = Run("pactl info", 5s) == 0;
    if (!ready_) std::this_thread::sleep_for(50ms);
  }
  if (ready_ && kind == SoundServerKind::PipeWire)
    ready_ = Run("pactl load-module module-null-sink sink_name=t", 5s) == 0;
  // PipeWire's session manager takes the new sink on a moment later.
  bool is_default = false;
  while (ready_ && !is_default && std::chrono::steady_clock::now() < deadline) {
    is_default = Run("pactl set-default-sink t && [ \"$(pactl get-default-sink)\" = t ]", 5s) == 0;
    if (!is_default) std::this_thread::sleep_for(50ms);
  }
  ready_ = ready_ && is_default;
}

void PulseServer::StartPipeWire() {
  // The session manager would look for the machine's sound cards, cameras and Bluetooth
  // devices; the test's server has the null sink alone. Read before the defaults enable
  // the monitors (90-enable-all.lua).
  const std::string config = env_.at("XDG_CONFIG_HOME") + "/wireplumber/";
  WriteFile(config + "main.lua.d/51-test-server.lua",
            "alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\n"
            "libcamera_monitor.enabled = false\n");
  WriteFile(config + "bluetooth.lua.d/51-test-server.lua", "bluez_monitor.enabled = false\n");
  const std::string log = folder_ + "/server.log";
  daemons_.push_back(std::make_unique<Process>(std::vector<std::string>{"pipewire"}, env_, log));
  // The others connect to the daemon's socket, which must be there first.
  WaitForFile(env_.at("XDG_RUNTIME_DIR") + "/pipewire-0", 10s);
  daemons_.push_back(std::make_unique<Process>(std::vector<std::string>{"wireplumber"}, env_, log));
  daemons_.push_back(
      std::make_unique<Process>(std::vector<std::string>{"pipewire-pulse"}, env_, log));
}

PulseServer::~PulseServer() {
  // The last started first: the clients before the daemon they use.
  while (!daemons_.empty()) daemons_.pop_back();
}

std::string PulseServer::Log() const {
  return ReadFile(folder_ + "/server.log") + ReadFile(folder_ + "/commands.log");
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
  return Process(
      {"sh", "-c",
       RecorderCommand() + " | head -c " + std::to_string(bytes) + " > '" + raw_file + "'"},
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

Recording::Recording(const PulseServer& server) {
  // parec writes into a pipe read here as the sound arrives. Opened without waiting for
  // the writer, so starting it can never hang.
  static int count = 0;
  fifo_ = server.folder_ + "/recording-" + std::to_string(++count) + ".fifo";
  std::filesystem::remove(fifo_);
  ::mkfifo(fifo_.c_str(), 0600);
  fd_ = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  recorder_ = std::make_unique<Process>(
      std::vector<std::string>{"sh", "-c", "exec " + RecorderCommand() + " > '" + fifo_ + "'"},
      server.env_, server.folder_ + "/commands.log");
  reader_ = std::thread([this] { Read(); });
}

Recording::~Recording() {
  stop_ = true;
  reader_.join();
  recorder_.reset();
  if (fd_ >= 0) ::close(fd_);
  std::filesystem::remove(fifo_);
}

void Recording::Read() {
  // Test thread: stores what arrives, with the time it came.
  std::vector<char> buffer(1 << 16);
  std::string pending;  // a sample split between two reads
  while (!stop_ && fd_ >= 0) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n <= 0) {
      // No writer yet, or between writers: wait for one.
      std::this_thread::sleep_for(10ms);
      continue;
    }
    const auto now = Clock::now();
    pending.append(buffer.data(), std::size_t(n));
    const std::size_t whole = pending.size() / 2;
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < whole; ++i)
      samples_.push_back(std::int16_t(std::uint16_t(std::uint8_t(pending[2 * i])) |
                                      std::uint16_t(std::uint8_t(pending[2 * i + 1])) << 8));
    pending.erase(0, 2 * whole);
    arrivals_.emplace_back(samples_.size(), now);
  }
}

bool Recording::WaitUntil(Clock::time_point time, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (!arrivals_.empty() && arrivals_.back().second >= time) return true;
    }
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
}

std::vector<Recording::Block> Recording::Blocks(double block_seconds) const {
  std::lock_guard lock(mutex_);
  const auto size =
      std::size_t(std::lround(block_seconds * PulseServer::kRate)) * PulseServer::kChannels;
  std::vector<Block> out;
  auto arrival = arrivals_.begin();
  for (std::size_t first = 0; size > 0 && first + size <= samples_.size(); first += size) {
    while (arrival->first < first + size) ++arrival;  // the read that completed the block
    out.push_back({Rms(samples_, first, size), arrival->second});
  }
  return out;
}

std::optional<Recording::Clock::time_point> LastQuiet(const std::vector<Recording::Block>& blocks,
                                                      Recording::Clock::time_point from,
                                                      double signal,
                                                      std::chrono::milliseconds gap) {
  std::optional<Recording::Clock::time_point> quiet;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].until < from) continue;
    const bool after_gap = i > 0 && blocks[i].until - blocks[i - 1].until > gap;
    if (blocks[i].rms < signal || after_gap) quiet = blocks[i].until;
  }
  return quiet;
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
