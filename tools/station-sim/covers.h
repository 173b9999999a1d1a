// The cover host: the list "dateien.txt" and the files it names, served under
// their lower-case names because the program asks for lower-cased names.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

inline constexpr char kCoverFolder[] = "/tidemark-radio/Covers/";

// Lower-cases ASCII, Latin-1, Greek and Cyrillic capitals in UTF-8 text;
// everything else is copied unchanged.
std::string LowerUtf8(std::string_view text);

// The name under which the program's request for a file arrives: lower-cased, and
// cut at the first '#' or '?', which the program leaves unencoded, so that the rest
// becomes a fragment (never sent) or the query.
std::string RequestKey(std::string_view file_name);

class CoverStore {
 public:
  // Indexes every regular file in `dir` by RequestKey; where names share a key, the
  // first name in byte order is served.
  bool Load(const std::string& dir, std::string& error);
  // The file served for a request name (already %-decoded), compared lower-cased.
  std::optional<std::string> Find(std::string_view name) const;
  std::size_t size() const { return files_.size(); }

 private:
  std::map<std::string, std::string> files_;  // request key -> path
};

// Content-Type by file extension.
std::string ContentTypeFor(std::string_view name);

}  // namespace sim
