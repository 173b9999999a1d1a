// Reading and matching the cover list.
#include "covers/cover_list.h"

#include <algorithm>
#include <unordered_set>

#include "app/app_data.h"
#include "covers/cover_words.h"
#include "platform/file_names.h"

namespace sp {

std::vector<std::string> ParseCoverList(std::string_view bytes) {
  std::vector<std::string> list;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
    list.push_back(LowerText(bytes.substr(pos, end - pos)));
    pos = end;
    if (pos < bytes.size()) {
      // CR LF is one line end; a lone CR or LF is one too.
      pos += bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
    }
  }
  return list;
}

std::optional<std::size_t> MatchCover(const std::vector<std::string>& list,
                                      const std::vector<std::string>& words) {
  // One occurrence serves every repeat of a word, so each word is looked for once: a
  // song text of many repeats must not multiply the scan of every entry.
  std::vector<std::string_view> distinct;
  std::unordered_set<std::string_view> seen;
  for (const std::string& word : words)
    if (seen.insert(word).second) distinct.push_back(word);
  // Both sides are well-formed UTF-8, so a byte match is a match of whole characters
  // and agrees with a match of UTF-16 code units.
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& entry = list[i];
    const bool all = std::all_of(distinct.begin(), distinct.end(), [&](std::string_view word) {
      return entry.find(word) != std::string::npos;
    });
    if (all) return i;
  }
  return std::nullopt;
}

bool IsPlainEntryName(std::string_view entry, files::NameRules rules) {
  return files::IsPlainFileName(entry, rules) &&
         std::none_of(kAppFolderFiles.begin(), kAppFolderFiles.end(),
                      [&](std::string_view own) { return files::SameFileName(entry, own, rules); });
}

}  // namespace sp
