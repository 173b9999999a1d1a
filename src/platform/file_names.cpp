// The name rules of file_names.h.
#include "platform/file_names.h"

#include <algorithm>
#include <array>

namespace sp::files {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// Windows opens a device for these, in any folder: alone, before an extension, and with
// spaces before the extension. COM and LPT take the digits 0 to 9 and the superscripts
// 1, 2 and 3 (UTF-8 C2 B9, C2 B2, C2 B3).
bool IsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, std::min(name.find('.'), name.size()));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  static constexpr std::array<std::string_view, 6> kDevices = {"con", "prn",    "aux",
                                                               "nul", "conin$", "conout$"};
  for (const std::string_view device : kDevices)
    if (EqualIgnoringAsciiCase(base, device)) return true;
  if (base.size() < 4) return false;
  const std::string_view stem = base.substr(0, 3), number = base.substr(3);
  if (!EqualIgnoringAsciiCase(stem, "com") && !EqualIgnoringAsciiCase(stem, "lpt")) return false;
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool IsPlainWindowsName(std::string_view name) {
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || std::string_view("\\:<>\"|?*").find(c) != std::string_view::npos) return false;
  }
  return name.back() != '.' && name.back() != ' ' && !IsDeviceName(name);
}

}  // namespace

bool IsPlainFileName(std::string_view name, NameRules rules) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) return false;
  return rules == NameRules::Posix || IsPlainWindowsName(name);
}

bool SameFileName(std::string_view a, std::string_view b, NameRules rules) {
  return rules == NameRules::Posix ? a == b : EqualIgnoringAsciiCase(a, b);
}

}  // namespace sp::files
