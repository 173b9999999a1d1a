// Reading AppData's fields from JSON text and the written layout, without files.
#include "app/preferences_json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace sp {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::string Nested(std::size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(ParsePreferencesTest, IntegerFieldsFromEveryKindOfValue) {
  const struct {
    std::string value;
    std::int64_t expected;
  } cases[] = {
      // clang-format off
      {"250", 250}, {"-250", -250}, {"12.9", 12}, {"-3.7", -3}, {"-0.5", 0}, {"2.5E1", 25},
      {"true", 1}, {"false", 0}, {R"("1")", 0}, {"null", 0}, {"[1]", 0}, {R"({"a": 1})", 0},
      // Beyond the 64-bit range: clamped to its ends.
      {"9223372036854775807", kMax}, {"-9223372036854775808", kMin},
      {"9223372036854775808", kMax}, {"18446744073709551616", kMax},
      {"-9223372036854775809", kMin}, {"9.3e18", kMax}, {"-1e300", kMin},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto r =
        ParsePreferences(R"({"WindowX": )" + c.value + R"(, "cWinOpen": )" + c.value + "}");
    ASSERT_TRUE(r) << c.value;
    EXPECT_EQ(r->WindowX, c.expected) << c.value;
    EXPECT_EQ(r->cWinOpen, c.expected) << c.value;
  }
}

TEST(ParsePreferencesTest, TextFieldsTakeOnlyStrings) {
  const struct {
    std::string value, expected;
  } cases[] = {
      // clang-format off
      {R"("/home/a/")", "/home/a/"}, {R"("")", ""},
      {R"("a\"b\\c\/d\u00e9\n\u0001")", "a\"b\\c/d\xC3\xA9\n\x01"},
      {"5", ""}, {"true", ""}, {"null", ""}, {R"(["x"])", ""}, {R"({"x": "y"})", ""},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto r =
        ParsePreferences(R"({"Preferences": )" + c.value + R"(, "MainStation": )" + c.value + "}");
    ASSERT_TRUE(r) << c.value;
    EXPECT_EQ(r->Preferences, c.expected) << c.value;
    EXPECT_EQ(r->MainStation, c.expected) << c.value;
  }
}

TEST(ParsePreferencesTest, MatchesNamesWithoutCaseAndOnlyAtTheTopLevel) {
  const auto r = ParsePreferences(R"({"windowx": 1, "WINDOWY": -2, "CWINOPEN": 1, "cwinddock": 1,
      "preferences": "/p/", "x": {"cWinX": 5}, "cWinY": [{"cWinY": 3}], "Other": 9, "WindowH": 4,
      "windowh": 7})");
  ASSERT_TRUE(r);
  AppDataRecord expected;
  expected.WindowX = 1;
  expected.WindowY = -2;
  expected.cWinOpen = 1;
  expected.cWindDock = 1;
  expected.Preferences = "/p/";
  expected.WindowH = 7;  // the later of two members with one name
  EXPECT_EQ(*r, expected);
}

TEST(ParsePreferencesTest, TopLevelValueThatIsNotAnObjectGivesAClearedRecord) {
  for (const char* text : {"{}", "[]", R"([{"WindowX": 1}])", " 42 ", R"("x")", "null", "true"}) {
    const auto r = ParsePreferences(text);
    ASSERT_TRUE(r) << text;
    EXPECT_EQ(*r, AppDataRecord{}) << text;
  }
}

TEST(ParsePreferencesTest, RefusesWhatIsNotJson) {
  const std::string cases[] = {
      // clang-format off
      "", " \r\n\t", "\xEF\xBB\xBF{}", "{} x", "{}{}", "{},", std::string("{}\0", 3), "{} \f",
      R"({"WindowX": 1)", R"({"WindowX": 01})", R"({'WindowX': 1})", "// note\n{}",
      "{\"Preferences\": \"\xFF\xFE\"}", "{\"Preferences\": \"\xC3\"}", R"({"WindowX": 1e400})",
      "[" + Nested(kMaxPreferencesDepth) + "]", std::string(100000, '['),
      // clang-format on
  };
  for (const auto& text : cases) EXPECT_FALSE(ParsePreferences(text)) << text.substr(0, 40);
}

TEST(ParsePreferencesTest, AcceptsBlanksAroundValuesAndNestingUpToTheLimit) {
  const auto r = ParsePreferences(" \t\r\n{ \"WindowX\" :\r\n 3 } \t\r\n");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->WindowX, 3);
  EXPECT_TRUE(ParsePreferences(Nested(kMaxPreferencesDepth)));
}

TEST(QuoteJsonTextTest, EscapesOnlyWhatTheFormatNames) {
  const struct {
    std::string text, quoted;
  } cases[] = {
      {"lumo/Tidemark Drum and Bass FM/", R"("lumo/Tidemark Drum and Bass FM/")"},
      {"a\"b\\c", R"("a\"b\\c")"},
      {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {std::string("\x01\x1f\0", 3), R"("\u0001\u001f\u0000")"},
      {"\x7f \xC3\xA9 \xE2\x82\xAC", "\"\x7f \xC3\xA9 \xE2\x82\xAC\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteJsonText(c.text), c.quoted);
}

TEST(FormatPreferencesTest, WhatIsWrittenReadsBackUnchanged) {
  AppDataRecord r;
  r.WindowX = kMin;
  r.WindowY = kMax;
  r.WindowW = -1;
  r.cWinX = -1920;
  r.cWinY = -5;
  r.MainStation = "x\"\\/\b\f\n\r\t\x01\x7f\xC3\xA9";
  r.Preferences = std::string("/a\0b/", 5);
  const auto back = ParsePreferences(FormatPreferences(r));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, r);
  EXPECT_TRUE(ParsePreferences(FormatPreferences(AppDataRecord{})));
}

}  // namespace
}  // namespace sp
