// Stepping through a control's text as a screen reader does: the unit at an offset,
// the ones around it, and where the reading keys put the caret.
#include "platform/text_units.h"

#include <gtest/gtest.h>

namespace sp::text_units {
namespace {

// Characters 0-14 are "now playing...\n", 15-28 "Artist : Kelp\n", 29-35 "Album :".
const std::u32string kText = U"now playing...\nArtist : Kelp\nAlbum :";

TEST(TextUnitsTest, TheUnitAtAnOffset) {
  const struct {
    int offset;
    Unit unit;
    Span span;
  } cases[] = {
      {0, Unit::Character, {0, 1}},    {36, Unit::Character, {36, 36}},  // at the end, nothing
      {1, Unit::WordStart, {0, 4}},                                      // "now "
      {14, Unit::WordStart, {4, 15}},  // the line break is a space between words
      {2, Unit::WordEnd, {0, 3}},      // "now"
      {5, Unit::WordEnd, {3, 14}},     // " playing..."
      {0, Unit::LineStart, {0, 15}},   // with its line break
      {14, Unit::LineStart, {0, 15}},  {15, Unit::LineStart, {15, 29}},
      {36, Unit::LineStart, {29, 36}},  // past the end: the last line
      {20, Unit::LineEnd, {14, 28}},    // the break before it, not its own
      {2, Unit::LineEnd, {0, 14}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(At(kText, c.offset, c.unit), c.span);
  }
  EXPECT_EQ(At(U"", 0, Unit::LineStart), Span{});
}

TEST(TextUnitsTest, TheUnitsAroundAndTheReadingKeys) {
  EXPECT_EQ(Before(kText, 20, Unit::LineStart), (Span{0, 15}));
  EXPECT_EQ(After(kText, 20, Unit::LineStart), (Span{29, 36}));
  EXPECT_EQ(Before(kText, 3, Unit::LineStart), (Span{0, 0}));
  EXPECT_EQ(After(kText, 30, Unit::LineStart), (Span{36, 36}));

  EXPECT_EQ(NextLineStart(kText, 3), 15);
  EXPECT_EQ(NextLineStart(kText, 30), 30);  // the last line keeps the caret
  EXPECT_EQ(PreviousLineStart(kText, 20), 0);
  EXPECT_EQ(PreviousLineStart(kText, 3), 3);  // so does the first
  EXPECT_EQ(LineEndOf(kText, 16), 28);        // before the line break
  EXPECT_EQ(LineEndOf(kText, 31), 36);
}

TEST(TextUnitsTest, DecodingCountsCharactersAndSurvivesBrokenText) {
  EXPECT_EQ(Decode("K\xc3\xa4lp \xe2\x80\xa6"), U"K\u00e4lp \u2026");
  EXPECT_EQ(Decode("\xf0\x9f\x8e\xb5"), U"\U0001f3b5");
  EXPECT_EQ(Decode("a\xc3"), U"a\ufffd");               // cut short at the end
  EXPECT_EQ(Decode("\xe2\x28\xa1"), U"\ufffd(\ufffd");  // a bad byte inside
}

}  // namespace
}  // namespace sp::text_units
