// What a name may be when it is to stand for one file directly inside a folder, by the
// rules of each platform's file system. Both rule sets build everywhere, so either can
// be tested on any machine.
#pragma once

#include <string_view>

namespace sp::files {

enum class NameRules { Posix, Windows };

#ifdef _WIN32
inline constexpr NameRules kNativeNames = NameRules::Windows;
inline constexpr char kSeparator = '\\';
#else
inline constexpr NameRules kNativeNames = NameRules::Posix;
inline constexpr char kSeparator = '/';
#endif

// Whether `name` names an entry of the folder it is appended to and nothing else: one
// path element, not "." or "..", no NUL. By Windows' rules also no '\', no ':' (a drive
// or a data stream), none of < > " | ? * or a control character, no trailing dot or space
// (Windows drops them, so the name would stand for another), and no device name (CON,
// NUL, COM1 ... in any case, with or without an extension).
bool IsPlainFileName(std::string_view name, NameRules rules = kNativeNames);

// Whether two plain names name the same entry: the same bytes, or on Windows the same
// but for the case of ASCII letters. The file system's own folding goes further (other
// letters, short names), which only a look at the opened file itself can settle.
bool SameFileName(std::string_view a, std::string_view b, NameRules rules = kNativeNames);

}  // namespace sp::files
