// The simulator's cover list read and matched by the program's own code: each default
// song with a cover finds its own picture, the others find nothing, so the demo shows
// a different cover per song and keeps the last one through the songs without.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "covers.h"
#include "covers/cover_list.h"
#include "covers/cover_words.h"
#include "playlist.h"

namespace sp {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SimulatorCovers, EachDefaultSongWithACoverMatchesItsOwnAndTheRestMatchNothing) {
  const std::vector<std::string> list = ParseCoverList(ReadAll(SP_SIM_COVERS_DIR "/dateien.txt"));
  ASSERT_GE(list.size(), 300u);
  sim::CoverStore store;
  std::string error;
  ASSERT_TRUE(store.Load(SP_SIM_COVERS_DIR, error)) << error;

  const std::vector<sim::Song> songs = sim::DefaultSongs();
  ASSERT_EQ(songs.size(), 8u);
  std::set<std::string> files;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    std::vector<std::string> words;
    AppendWords(songs[i].title, words);
    AppendWords(songs[i].artist, words);
    AppendWords(songs[i].album, words);
    const std::optional<std::size_t> match = MatchCover(list, words);
    if (i >= 6) {
      EXPECT_FALSE(match.has_value()) << songs[i].title << " matched " << list[*match];
      continue;
    }
    ASSERT_TRUE(match.has_value()) << songs[i].title;
    const std::string& entry = list[*match];
    EXPECT_TRUE(IsPlainEntryName(entry)) << entry;
    // What the host sees of the program's request: the name up to '#' or '?'.
    const std::optional<std::string> file = store.Find(entry.substr(0, entry.find_first_of("#?")));
    ASSERT_TRUE(file.has_value()) << entry;
    EXPECT_EQ(sim::LowerUtf8(file->substr(file->rfind('/') + 1)), entry);
    files.insert(*file);
  }
  EXPECT_EQ(files.size(), 6u);  // six different pictures
}

}  // namespace
}  // namespace sp
