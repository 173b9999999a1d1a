// The station's cover list: reading it, choosing an entry for a song, and telling
// whether an entry may be used as a file name in the application folder.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_names.h"

namespace sp {

// The entries of a list file: one per line (LF, CR LF or a lone CR), empty lines
// included, nothing trimmed, a byte-order mark left in the first, each lower-cased.
std::vector<std::string> ParseCoverList(std::string_view bytes);

// The first entry that contains every word as a plain substring (a repeated word is
// satisfied by one occurrence); with no words, the first entry. Nothing when no
// entry matches or the list is empty.
std::optional<std::size_t> MatchCover(const std::vector<std::string>& list,
                                      const std::vector<std::string>& words);

// Whether an entry can be stored under its own name in the application folder
// without touching anything but a file of that name, by the platform's name rules
// (files::IsPlainFileName), and is none of the program's own files there.
bool IsPlainEntryName(std::string_view entry, files::NameRules rules = files::kNativeNames);

}  // namespace sp
