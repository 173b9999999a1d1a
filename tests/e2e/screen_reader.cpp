#include "tests/e2e/screen_reader.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/e2e/commands.h"

namespace e2e {
namespace {

// Orca writes its debug log a block at a time; its customisation file, which it runs
// at start, makes it write line by line. Echoing every key would only crowd the log.
constexpr char kCustomizations[] =
    "from orca import debug, settings\n"
    "debug.debugFile.reconfigure(line_buffering=True)\n"
    "settings.enableKeyEcho = False\n";

// Orca will not start while another Orca of the same user runs anywhere on the machine
// (it looks for one by name); in a process namespace of its own it sees only itself.
std::vector<std::string> OwnProcessSpace(const std::string& folder) {
  for (std::vector<std::string> prefix :
       {std::vector<std::string>{"unshare", "--pid", "--fork", "--mount", "--mount-proc",
                                 "--kill-child"},
        std::vector<std::string>{"unshare", "--map-root-user", "--pid", "--fork", "--mount",
                                 "--mount-proc", "--kill-child"}}) {
    std::vector<std::string> probe = prefix;
    probe.push_back("true");
    if (RunCommand(probe, {}, folder, 10s).code == 0) return prefix;
  }
  return {};
}

}  // namespace

ScreenReader::ScreenReader(const std::string& folder, const Xvfb& display, const SessionBus& bus,
                           const PulseServer& pulse)
    : folder_(folder), log_path_(folder + "/orca-debug.log") {
  const std::string home = folder + "/home", runtime = folder + "/run";
  std::filesystem::create_directories(home + "/.local/share/orca");
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  WriteFile(home + "/.local/share/orca/orca-customizations.py", kCustomizations);
  std::map<std::string, std::string> env{{"HOME", home},
                                         {"XDG_CONFIG_HOME", home + "/.config"},
                                         {"XDG_DATA_HOME", home + "/.local/share"},
                                         {"XDG_CACHE_HOME", home + "/.cache"},
                                         {"XDG_RUNTIME_DIR", runtime},
                                         {"DISPLAY", display.name()},
                                         {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  for (const auto& [key, value] : pulse.ClientEnv()) env[key] = value;

  // In the foreground and for as long as it runs, its socket in the private runtime
  // folder, where Orca looks for it.
  speech_server_.emplace(
      std::vector<std::string>{"speech-dispatcher", "-s", "-t", "0", "-L", folder}, env,
      folder + "/speech-dispatcher.out");
  std::vector<std::string> orca = OwnProcessSpace(folder);
  orca.insert(orca.end(), {"orca", "--debug-file=" + log_path_});
  orca_.emplace(orca, env, folder + "/orca.out");
  ready_ = WaitFor(
               0, [](const std::string& line) { return line == "Screen reader on."; }, 40s)
               .has_value();
}

const std::vector<std::string>& ScreenReader::Spoken() {
  std::ifstream in(log_path_, std::ios::binary);
  in.seekg(std::streamoff(read_));
  std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  read_ += chunk.size();
  unread_ += chunk;
  // SPEECH OUTPUT: 'what was said'{'voice': ...}, its later lines indented by 18 spaces.
  const std::string start = "SPEECH OUTPUT: '";
  for (;;) {
    const std::size_t begin = unread_.find(start);
    if (begin == std::string::npos) break;
    const std::size_t text = begin + start.size();
    std::size_t end = unread_.find('\'', text);
    while (end != std::string::npos && unread_.compare(end, 2, "'{") != 0 &&
           unread_.compare(end, 3, "' {") != 0)
      end = unread_.find('\'', end + 1);
    if (end == std::string::npos || unread_.find('\n', end) == std::string::npos) break;
    std::string line = unread_.substr(text, end - text);
    for (std::size_t indent;
         (indent = line.find("\n" + std::string(18, ' '))) != std::string::npos;)
      line.erase(indent + 1, 18);
    spoken_.push_back(line);
    unread_.erase(0, unread_.find('\n', end) + 1);
  }
  return spoken_;
}

std::optional<std::vector<std::string>> ScreenReader::WaitFor(
    std::size_t from, const std::function<bool(const std::string&)>& wanted,
    std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const std::vector<std::string>& lines = Spoken();
    for (std::size_t i = from; i < lines.size(); ++i)
      if (wanted(lines[i]))
        return std::vector<std::string>(lines.begin() + long(from), lines.begin() + long(i) + 1);
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(50ms);
  }
}

std::string ScreenReader::Diagnostics() const {
  return "speech-dispatcher: " + ReadFile(folder_ + "/speech-dispatcher.out") +
         "\norca: " + ReadFile(folder_ + "/orca.out");
}

}  // namespace e2e
