// JSON parsing rules and the extraction of API answers into the song record.
#include "station/api_json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace sp {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// A record with every field set, so a test sees what extraction clears.
api_current_song Filled() {
  api_current_song s;
  s.id = 7;
  s.type = "old";
  s.title = "Old Title";
  s.album = "Old Album";
  s.length = 100;
  s.genre = "Old";
  s.releaseyear = 1999;
  s.created_at = "x";
  s.artist = {"Old Artist", 5, "u", "lu", "i", "t"};
  s.started_at = "2020-01-01 00:00:00";
  s.ends_at = "2020-01-01 00:03:00";
  return s;
}

struct ExtractCase {
  const char* json;
  std::function<void(api_current_song&)> expect;  // applied to a cleared record
};

TEST(ExtractCurrentSong, FollowsTheFieldRules) {
  const ExtractCase cases[] = {
      {R"({"Title":"A","ALBUM":"B","Artist":{"NAME":"C","Laut_Id":4}})",
       [](auto& s) {
         s.title = "A";
         s.album = "B";
         s.artist.name = "C";
         s.artist.laut_id = 4;
       }},
      {R"({"title":"A","album":null})", [](auto& s) { s.title = "A"; }},
      {R"({"length":245.9})", [](auto& s) { s.length = 245; }},
      {R"({"length":-245.9})", [](auto& s) { s.length = -245; }},
      {R"({"releaseyear":"2019"})", [](auto&) {}},
      {R"({"title":"A","artist":null})", [](auto& s) { s.title = "A"; }},
      {R"({"artist":"Somebody"})", [](auto&) {}},
      {R"({"artist":[{"name":"x"}]})", [](auto&) {}},
      {R"({"length":true,"releaseyear":false})", [](auto& s) { s.length = 1; }},
      {R"({"title":5,"album":["x"],"genre":{"a":1},"type":true})", [](auto&) {}},
      {R"({"id":null,"length":[],"releaseyear":{}})", [](auto&) {}},
      {R"({"title":"A","TITLE":"B"})", [](auto& s) { s.title = "A"; }},  // first one wins
      // A later spelling is left out with everything inside it; a repeat of the first
      // spelling replaces its value.
      {R"({"Title":"A","title":{"x":[1,{"title":"Z"}]},"TITLE":"B","album":"C","Title":"D"})",
       [](auto& s) {
         s.title = "D";
         s.album = "C";
       }},
      {R"({"unknown":1,"genre":"DnB"})", [](auto& s) { s.genre = "DnB"; }},
      {R"({"title":"Caf\u00e9 \ud83c\udfb5"})",
       [](auto& s) { s.title = "Caf\xC3\xA9 \xF0\x9F\x8E\xB5"; }},
      {R"({"started_at":"2022-10-12 15:03:27 +0200","ends_at":"x"})",
       [](auto& s) {
         s.started_at = "2022-10-12 15:03:27 +0200";
         s.ends_at = "x";
       }},
      // Numbers beyond 64 bits are clamped, never undefined behaviour.
      {R"({"id":99999999999999999999})", [](auto& s) { s.id = kMax; }},
      {R"({"id":-99999999999999999999})", [](auto& s) { s.id = kMin; }},
      {R"({"id":18446744073709551615})", [](auto& s) { s.id = kMax; }},
      {R"({"id":-9223372036854775808})", [](auto& s) { s.id = kMin; }},
      {R"({"id":1e300,"length":-1e300})",
       [](auto& s) {
         s.id = kMax;
         s.length = kMin;
       }},
      {R"({"id":9.2233720368547758e18})", [](auto& s) { s.id = kMax; }},
      // A root that is not an object still counts: the record is just cleared.
      {R"([{"title":"A"}])", [](auto&) {}},
      {R"("title")", [](auto&) {}},
      {R"(null)", [](auto&) {}},
      {R"({})", [](auto&) {}},
  };
  for (const ExtractCase& c : cases) {
    const std::optional<JsonDocument> doc = ParseJsonText(c.json);
    ASSERT_TRUE(doc.has_value()) << c.json;
    api_current_song record = Filled();
    ExtractCurrentSong(*doc, record);
    api_current_song expected;
    c.expect(expected);
    EXPECT_EQ(record, expected) << c.json;
  }
}

TEST(ParseJsonText, AcceptsOneValueWithSurroundingWhitespaceOnly) {
  const char* accepted[] = {" \t\r\n{} \n", "null", "0", "\"x\"", "[1,2]", R"({"a":{"b":[]}})"};
  for (const char* text : accepted) EXPECT_TRUE(ParseJsonText(text).has_value()) << text;
  const std::string_view rejected[] = {
      "",
      "   ",
      "\xEF\xBB\xBF{}",  // byte-order mark
      "{} x",
      "{}{}",
      "{",
      R"({"a":1,})",
      "{'a':1}",
      std::string_view("{}\0{}", 5),          // a NUL and more after the value
      std::string_view("{\"a\":\"\0\"}", 9),  // a raw NUL inside a string
      "// note\n{}",                          // no comments
      "\f{}",                                 // form feed is not JSON whitespace
      "NaN",
      "{\"a\":1e400}",  // beyond double: refused by the parser
      "<html><body>500</body></html>",
  };
  for (std::string_view text : rejected) EXPECT_FALSE(ParseJsonText(text).has_value()) << text;
}

// One stray byte anywhere must not cost the answer: the panel would freeze for a song.
TEST(ParseJsonText, ReadsIllFormedUtf8AsReplacementCharacters) {
  const auto doc = ParseJsonText(
      "{\"title\":\"A\",\"genre\":\"\xE9\",\"album\":\"B\xC3\",\"artist\":{\"name\":\"C\"}}");
  ASSERT_TRUE(doc.has_value());
  api_current_song record;
  ExtractCurrentSong(*doc, record);
  EXPECT_EQ(record.title, "A");
  EXPECT_EQ(record.album, "B\xEF\xBF\xBD");
  EXPECT_EQ(record.genre, "\xEF\xBF\xBD");
  EXPECT_EQ(record.artist.name, "C");
  // Outside a string a bad byte is still a syntax error.
  EXPECT_FALSE(ParseJsonText("{\"a\":1}\xE9").has_value());
}

TEST(ParseJsonText, SurvivesDeepNesting) {
  const std::size_t depth = 100000;
  const std::string deep = std::string(depth, '[') + std::string(depth, ']');
  const std::optional<JsonDocument> doc = ParseJsonText(deep);
  ASSERT_TRUE(doc.has_value());
  api_current_song record = Filled();
  ExtractCurrentSong(*doc, record);
  EXPECT_EQ(record, api_current_song{});
  EXPECT_FALSE(ParseJsonText(std::string(depth, '[')).has_value());
}

TEST(FindMember, IgnoresOnlyTheCaseOfAsciiLetters) {
  const JsonDocument doc = *ParseJsonText(R"({"ÄLBUM":1,"laut_ID":2,"title ":3})");
  EXPECT_EQ(FindMember(doc, "älbum"), nullptr);  // non-ASCII letters keep their case
  ASSERT_NE(FindMember(doc, "LAUT_id"), nullptr);
  EXPECT_EQ(*FindMember(doc, "LAUT_id"), 2);
  EXPECT_EQ(FindMember(doc, "title"), nullptr);
  EXPECT_EQ(FindMember(JsonDocument::array(), "title"), nullptr);
}

TEST(SongRecord, ClearCopyAndCompare) {
  api_current_song a = Filled();
  api_current_song b = a;  // deep copy
  EXPECT_EQ(a, b);
  b.artist.name += "!";
  EXPECT_NE(a, b);
  EXPECT_EQ(a.artist.name, "Old Artist");
  b.artist.name = a.artist.name;
  b.title = "old title";  // comparison is case-sensitive
  EXPECT_NE(a, b);
  a.clear();
  EXPECT_EQ(a, api_current_song{});
  EXPECT_TRUE(a.title.empty() && a.artist.name.empty() && a.id == 0 && a.artist.laut_id == 0);
  api_artist empty_set;
  empty_set.url = "";
  EXPECT_EQ(empty_set, api_artist{});  // an empty text equals a never-set one
}

}  // namespace
}  // namespace sp
