// libFuzzer target: arbitrary bytes as preferences.json, read by LoadPreferences from a
// real file; what it read is written in the file's layout and must read back the same.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/app_data.h"
#include "app/preferences.h"
#include "app/preferences_json.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/sp-prefs-fuzz-XXXXXX";
    if (!::mkdtemp(tmpl.data())) std::abort();
    return tmpl + "/";
  }();
  static const bool cleaned_at_exit = [] {
    return std::atexit([] { std::filesystem::remove_all(Folder()); }) == 0;
  }();
  (void)cleaned_at_exit;
  return folder;
}

void WriteFile(std::string_view bytes) {
  const std::string path = Folder() + "preferences.json";
  // A new file each time: truncating one that has data makes some file systems flush it.
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) std::abort();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
}

// AppData as start-up leaves it before the load: the computed folder, a cover window
// that was open and docked.
void StartUp() {
  sp::AppData = {};
  sp::AppData.WindowX = 5;
  sp::AppData.cWinOpen = sp::AppData.cWindDock = 1;
  sp::AppData.Preferences = Folder();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp;
  WriteFile({reinterpret_cast<const char*>(data), size});
  StartUp();
  LoadPreferences();
  const AppDataRecord read = AppData;

  // What SavePreferences writes, read at the next start from the same folder.
  WriteFile(FormatPreferences(read));
  StartUp();
  if (!LoadPreferences() || AppData != read) std::abort();
  return 0;
}
