// Cover files by lower-case name.
#include "covers.h"

#include <filesystem>
#include <system_error>

namespace sim {

std::string LowerUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c + 32);
      continue;
    }
    if (c >= 0xC2 && c <= 0xD3 && i + 1 < s.size()) {
      const auto c2 = static_cast<unsigned char>(s[i + 1]);
      unsigned cp = ((c & 0x1Fu) << 6) | (c2 & 0x3Fu);
      if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2)) {
        cp += 0x20;  // Latin-1 letters, Greek capitals
      } else if (cp >= 0x410 && cp <= 0x42F) {
        cp += 0x20;  // Cyrillic А..Я
      } else if (cp >= 0x400 && cp <= 0x40F) {
        cp += 0x50;  // Cyrillic Ѐ..Џ
      }
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
      ++i;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

std::string RequestKey(std::string_view file_name) {
  return LowerUtf8(file_name.substr(0, file_name.find_first_of("#?")));
}

bool CoverStore::Load(const std::string& dir, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  files_.clear();
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    const std::string path = e.path().string();
    auto [it, added] = files_.emplace(RequestKey(e.path().filename().string()), path);
    // Directory order is arbitrary; byte order keeps the answer the same every run.
    if (!added && path < it->second) it->second = path;
  }
  if (ec || files_.find("dateien.txt") == files_.end()) {
    error = "no dateien.txt in " + dir;
    return false;
  }
  return true;
}

std::optional<std::string> CoverStore::Find(std::string_view name) const {
  const auto it = files_.find(LowerUtf8(name));
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

std::string ContentTypeFor(std::string_view name) {
  const auto ends = [&](std::string_view ext) {
    return name.size() >= ext.size() && LowerUtf8(name.substr(name.size() - ext.size())) == ext;
  };
  if (ends(".jpg") || ends(".jpeg")) return "image/jpeg";
  if (ends(".png")) return "image/png";
  if (ends(".gif")) return "image/gif";
  if (ends(".bmp")) return "image/bmp";
  if (ends(".txt")) return "text/plain; charset=utf-8";
  return "application/octet-stream";
}

}  // namespace sim
