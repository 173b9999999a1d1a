// Cover list reading, word splitting, matching, URL encoding and the entry-name
// check: the cases where a plausible implementation goes wrong.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "covers/cover_list.h"
#include "covers/cover_words.h"
#include "covers/percent_encode.h"

namespace sp {
namespace {

using Words = std::vector<std::string>;

Words WordsOf(std::string_view text) {
  Words words;
  AppendWords(text, words);
  return words;
}

TEST(CoverWords, SplitLowerAndKeepOnlyLettersAbove255) {
  const struct {
    std::string text;
    Words words;
  } cases[] = {
      {"Dub Step", {"dub", "step"}},
      {"MC X", {"mc", "x"}},
      {"Dub Dub", {"dub", "dub"}},  // duplicates kept
      {"", {}},
      {"  - ()! ~ \t", {}},
      {"Café", {"caf"}},                   // Latin-1 letters separate
      {"Ωmega Süd", {"ωmega", "s", "d"}},  // Greek stays, ü separates
      {"Straße ÀB", {"stra", "e", "b"}},   // ß and à (lowered À) too
      {"100% Jungle", {"100", "jungle"}},
      {"rock'n'roll", {"rock", "n", "roll"}},
      {std::string("a\0b", 3), {"a", "b"}},  // NUL is a separator
      {"ДНК Ёж", {"днк", "ёж"}},
      {"\xC4\xB0stanbul", {"istanbul"}},     // U+0130: one unit in, one out
      {"\xC7\x85ungla", {"\xC7\x86ungla"}},  // title case U+01C5 lowers to U+01C6
      {"\xE2\x85\xAB \xE2\x92\xB6", {"\xE2\x85\xBB", "\xE2\x93\x90"}},  // Ⅻ Ⓐ: not only letters
      {"\xEF\xBC\xA1\xEF\xBC\xA2", {"\xEF\xBD\x81\xEF\xBD\x82"}},       // full-width ＡＢ
      // A character outside the BMP is two units; neither half is lowered.
      {"X\xF0\x90\x90\x80y", {"x\xF0\x90\x90\x80y"}},
      // Invalid UTF-8 becomes U+FFFD, which stays inside a word.
      {"ab\xFF"
       "cd",
       {"ab\xEF\xBF\xBD"
        "cd"}},
      {"end\xC3", {"end\xEF\xBF\xBD"}},
      {"\xED\xA0\x80 z", {"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", "z"}},  // an encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(WordsOf(c.text), c.words) << c.text;
}

TEST(CoverWords, AppendKeepsWhatTheListHeld) {
  Words words = {"first"};
  AppendWords("Second Third", words);
  EXPECT_EQ(words, (Words{"first", "second", "third"}));
}

TEST(CoverList, LinesEndsAndCase) {
  const struct {
    std::string bytes;
    Words entries;
  } cases[] = {
      {"", {}},
      {"One.JPG", {"one.jpg"}},  // a last line without an end
      {"One.JPG\n", {"one.jpg"}},
      {"A\r\nB\rC\nD", {"a", "b", "c", "d"}},
      {"a\r\r\nb\n\n", {"a", "", "b", ""}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {" Spaced Name .JPG \t\r\n", {" spaced name .jpg \t"}},
      {"\xEF\xBB\xBF"
       "First.PNG\r\nSecond.png",
       {"\xEF\xBB\xBF"
        "first.png",
        "second.png"}},
      {"Bad\xFF.JPG\r\n\xC3", {"bad\xEF\xBF\xBD.jpg", "\xEF\xBF\xBD"}},
      {"ÀÉÎ Ωmega.PNG", {"àéî ωmega.png"}},
      {std::string("nul\0inside.jpg", 14), {std::string("nul\0inside.jpg", 14)}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCoverList(c.bytes), c.entries) << c.bytes;
}

TEST(CoverMatch, TheFirstEntryHoldingEveryWordWins) {
  const struct {
    const char* what;
    std::string title, artist, album;
    Words list;
    std::optional<std::size_t> match;
  } cases[] = {
      {"all words, in any order",
       "Dub Step",
       "MC X",
       "",
       {"dub step.jpg", "mc x - dub step (remix).jpg"},
       1},
      {"a word inside a longer one", "Dub", "", "", {"dubstep.jpg"}, 0},
      {"a word in the extension", "Jpg", "", "", {"cover.jpg"}, 0},
      {"one occurrence serves a repeated word", "Dub Dub", "", "", {"dub.jpg"}, 0},
      {"Latin-1 letters dropped", "Café", "", "", {"cafe.jpg"}, 0},
      {"letters above 255 kept", "Ωmega Süd", "", "", {"omega sud.jpg", "ωmega süd.png"}, 1},
      {"no words take the first entry", "", " - ", "()", {"first.jpg", "second.jpg"}, 0},
      {"an empty first entry is still first", "", "", "", {"", "second.jpg"}, 0},
      {"nearer the top wins", "Tide", "", "", {"low tide.jpg", "tide.png"}, 0},
      {"no entry holds every word",
       "Low Tide",
       "Kelp",
       "",
       {"low tide.jpg", "kelp.jpg"},
       std::nullopt},
      {"an empty list", "", "", "", {}, std::nullopt},
      {"upper-case song against lower-case entries", "LOW TIDE", "", "", {"low tide.jpg"}, 0},
  };
  for (const auto& c : cases) {
    Words words;
    AppendWords(c.title, words);
    AppendWords(c.artist, words);
    AppendWords(c.album, words);
    EXPECT_EQ(MatchCover(c.list, words), c.match) << c.what;
  }
}

TEST(CoverUrl, PercentEncoding) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"artist title.jpg", "artist%20title.jpg"},
      {"100%+1.jpg", "100%25%2B1.jpg"},  // nothing decoded first
      {"%20", "%2520"},
      {"café.jpg", "caf%C3%A9.jpg"},
      {"ωmega", "%CF%89mega"},
      {"a#b?c=d.jpg", "a#b?c=d.jpg"},  // fragment and query marks pass
      {"!#$&'()*,-./:;=?@_~", "!#$&'()*,-./:;=?@_~"},
      {"\"<>[\\]^`{|}", "%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D"},
      {std::string("\x01\x7F\0", 3), "%01%7F%00"},
      {"127.0.0.1:8080/tidemark-radio/Covers/dateien.txt",
       "127.0.0.1:8080/tidemark-radio/Covers/dateien.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncode(c.in), c.out) << c.in;
}

TEST(CoverEntryName, OnlyPlainNamesOfForeignFilesMayBeStored) {
  const struct {
    std::string entry;
    bool plain;
  } cases[] = {
      {"artist title.jpg", true},
      {"...", true},
      {".hidden.jpg", true},
      {"preferences.json.jpg", true},
      {"cover.txt ", true},
      {"a#b?c.jpg", true},
      {"", false},
      {".", false},
      {"..", false},
      {"../../.bashrc", false},
      {"/etc/x", false},
      {"sub/cover.jpg", false},
      {"cover.jpg/", false},
      {"preferences.json", false},
      {"cover.txt", false},
      {std::string("cover.jpg\0.png", 14), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsPlainEntryName(c.entry, files::NameRules::Posix), c.plain) << c.entry;
}

// Windows takes more than '/' for a separator, and more names than it shows for another
// file or a device. The entries are already lower case when checked.
TEST(CoverEntryName, WindowsNamesStayInTheFolderAndOffOurFiles) {
  const struct {
    std::string entry;
    bool plain;
  } cases[] = {
      {"kelp circuit low tide roller night harbour.jpg", true},
      {".hidden.jpg", true},
      {"con.jpg.png", false},  // the base before the first dot counts
      {"console.jpg", true},
      {"com10.jpg", true},
      {"lpt.jpg", true},
      {"nul\xC3\xA9.jpg", true},
      {"a#b.jpg", true},
      {"prefer~1.jso", true},  // a short name: only the opened file can tell
      {"..\\..\\kelp circuit.jpg", false},
      {"sub\\cover.jpg", false},
      {"\\\\127.0.0.1\\c$\\x.jpg", false},
      {"c:x.jpg", false},
      {"cover.jpg:x", false},
      {"preferences.json::$data", false},
      {"preferences.json.", false},
      {"cover.txt ", false},
      {"...", false},
      {"PREFERENCES.JSON", false},
      {"Cover.Txt", false},
      {"con", false},
      {"NUL", false},
      {"aux.txt", false},
      {"prn .jpg", false},
      {"com1.jpg", false},
      {"lpt9", false},
      {"com\xC2\xB9.jpg", false},
      {"conout$", false},
      {"a<b.jpg", false},
      {"a>b.jpg", false},
      {"a\"b.jpg", false},
      {"a|b.jpg", false},
      {"a?b.jpg", false},
      {"a*b.jpg", false},
      {"tab\there.jpg", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsPlainEntryName(c.entry, files::NameRules::Windows), c.plain) << c.entry;
}

}  // namespace
}  // namespace sp
