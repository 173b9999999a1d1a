// libFuzzer target: a song and a cover list from arbitrary bytes, taken through the
// steps of a cover run: list entries, song words, the match, the name check and the
// cover's address. Layout of an input: title, artist and album on the first three
// lines (a line break is a word separator anyway), then the list's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "build_config.h"
#include "covers/cover_art.h"
#include "covers/cover_list.h"
#include "covers/cover_words.h"
#include "covers/percent_encode.h"
#include "platform/unicode.h"

namespace {

std::string_view TakeLine(std::string_view& rest) {
  const std::size_t end = rest.find('\n');
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return line;
}

bool IsValidUtf8(const std::string& text) {
  return sp::unicode::ToValidUtf8(text) == text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The address must hold nothing a URL parser could misread, and decode to the name.
void CheckAddress(const std::string& url, const std::string& plain) {
  std::string decoded;
  for (std::size_t i = 0; i < url.size(); ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    if (c == '%') {
      if (i + 2 >= url.size()) std::abort();
      const int high = HexValue(url[i + 1]), low = HexValue(url[i + 2]);
      if (high < 0 || low < 0) std::abort();
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      if (c <= ' ' || c >= 0x7F ||
          std::string_view("\"%+<>[\\]^`{|}").find(static_cast<char>(c)) != std::string_view::npos)
        std::abort();
      decoded += static_cast<char>(c);
    }
  }
  if (decoded != plain) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view title = TakeLine(rest), artist = TakeLine(rest), album = TakeLine(rest);

  const std::vector<std::string> list = ParseCoverList(rest);
  for (const std::string& entry : list) {
    if (!IsValidUtf8(entry) || entry.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  std::vector<std::string> words;
  AppendWords(title, words);
  AppendWords(artist, words);
  AppendWords(album, words);
  for (const std::string& word : words) {
    if (word.empty() || !IsValidUtf8(word)) std::abort();
  }

  const std::optional<std::size_t> match = MatchCover(list, words);
  if (!match) return 0;
  if (*match >= list.size()) std::abort();
  const std::string& entry = list[*match];

  const std::string base = config::kCoverBase;
  CheckAddress(PercentEncode(base + kCoverFolder + entry), base + kCoverFolder + entry);
  if (!IsPlainEntryName(entry)) return 0;
  // A plain name is stored as a file directly inside the application folder.
  const std::filesystem::path folder = "/app/folder";
  const std::filesystem::path stored = (folder / entry).lexically_normal();
  if (stored.parent_path() != folder || stored.filename() != entry) std::abort();
  return 0;
}
