// The Windows file code: the same promises as on Linux, through the wide-character API.
#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"

#include <array>
#include <filesystem>

#include "platform/files.h"
#include "platform/posix_file.h"
#include "sample_pictures.h"

namespace sp {
namespace {

using files::CreateFolderPath;
using files::IsFolder;
using files::ReadSmallFile;
using files::ReplaceFile;

namespace fs = std::filesystem;

std::string Scratch(const std::string& name) {
  return samples::ScratchFolder() + "\\" + name;
}

fs::path U8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

TEST(WindowsFiles, ReplaceFileLeavesTheWholeNewFileAndNothingElse) {
  // Not ASCII: the names go through the wide-character API.
  const std::string folder = Scratch("r\xC3\xA9glages");
  ASSERT_TRUE(CreateFolderPath(folder));
  const std::string path = folder + "\\preferences.json";
  ASSERT_TRUE(ReplaceFile(path, "old"));
  ASSERT_TRUE(ReplaceFile(path, std::string("{\r\n\0x}", 6)));
  EXPECT_EQ(ReadSmallFile(path, 100), std::string("{\r\n\0x}", 6));  // binary, not text mode
  EXPECT_TRUE(fs::exists(U8Path(path)));
  EXPECT_EQ(std::distance(fs::directory_iterator(U8Path(folder)), fs::directory_iterator{}), 1);
  // A folder in the file's place stays; nothing is written into it.
  ASSERT_TRUE(CreateFolderPath(folder + "\\taken"));
  EXPECT_FALSE(ReplaceFile(folder + "\\taken", "x"));
  EXPECT_TRUE(IsFolder(folder + "\\taken"));
}

TEST(WindowsFiles, ReadSmallFileRefusesWhatIsNotASmallRegularFile) {
  const std::string path = Scratch("small.txt");
  ASSERT_TRUE(ReplaceFile(path, "12345"));
  EXPECT_EQ(ReadSmallFile(path, 5), "12345");
  EXPECT_EQ(ReadSmallFile(path, 4), std::nullopt);
  EXPECT_EQ(ReadSmallFile(samples::ScratchFolder(), 100), std::nullopt);
  EXPECT_EQ(ReadSmallFile(Scratch("missing"), 100), std::nullopt);
  EXPECT_EQ(ReadSmallFile("\\\\.\\NUL", 100), std::nullopt);  // a device
}

TEST(WindowsFiles, CreateForWritingTruncatesFilesAndRefusesFolders) {
  const std::string path = Scratch("download.png");
  ASSERT_TRUE(ReplaceFile(path, "a longer old body"));
  {
    UniqueFd fd(files::CreateForWriting(path));
    ASSERT_TRUE(fd.valid());
    ASSERT_TRUE(WriteAll(fd.get(), "new"));
    ASSERT_TRUE(fd.Close());
  }
  EXPECT_EQ(ReadSmallFile(path, 100), "new");
  EXPECT_EQ(files::CreateForWriting(samples::ScratchFolder()), -1);
  EXPECT_TRUE(files::Remove(path));
  EXPECT_FALSE(files::Remove(path));
}

// What the name rules cannot see: the file system's other names for our own files.
TEST(WindowsFiles, ADownloadKeepsOffTheFolderOwnFilesUnderEveryName) {
  const std::string folder = Scratch("app") + "\\";
  ASSERT_TRUE(CreateFolderPath(folder));
  ASSERT_TRUE(ReplaceFile(folder + "preferences.json", "the user's places"));
  ASSERT_TRUE(ReplaceFile(folder + "cover.txt", "the list"));
  static constexpr std::array<std::string_view, 2> kOwn = {"preferences.json", "cover.txt"};
  const files::Confinement within{folder, kOwn};

  wchar_t short_path[MAX_PATH] = {};
  const std::wstring long_path = fs::path(U8Path(folder + "preferences.json")).wstring();
  ASSERT_GT(GetShortPathNameW(long_path.c_str(), short_path, MAX_PATH), 0u);
  const std::string short_name = fs::path(short_path).filename().string();
  ASSERT_NE(short_name, "preferences.json");
  for (const std::string& name : {short_name, std::string("PREFERENCES.JSON"),
                                  std::string("Cover.TXT"), std::string("preferences.json")}) {
    EXPECT_EQ(files::CreateForWriting(folder + name, &within), -1) << name;
    // Without the confinement the same name reaches the file: the check is what stops it.
    EXPECT_EQ(ReadSmallFile(folder + name, 100).has_value(), true) << name;
  }
  // The name rules hold here too, for a caller that did not check first.
  for (const char* name : {"..\\outside.jpg", "c.jpg:stream", "cover.txt.", "nul"})
    EXPECT_EQ(files::CreateForWriting(folder + name, &within), -1) << name;
  EXPECT_EQ(files::CreateForWriting(Scratch("outside.jpg"), &within), -1);
  EXPECT_EQ(ReadSmallFile(folder + "preferences.json", 100), "the user's places");
  EXPECT_EQ(ReadSmallFile(folder + "cover.txt", 100), "the list");
  EXPECT_FALSE(fs::exists(U8Path(Scratch("outside.jpg"))));

  // A name of its own is stored.
  UniqueFd fd(files::CreateForWriting(folder + "kelp circuit.jpg", &within));
  ASSERT_TRUE(fd.valid());
  EXPECT_TRUE(WriteAll(fd.get(), "cover"));
  EXPECT_TRUE(fd.Close());
  EXPECT_EQ(ReadSmallFile(folder + "kelp circuit.jpg", 100), "cover");
}

TEST(WindowsFolders, CreateFolderPathTakesEitherSeparatorAndDrives) {
  const std::string root = Scratch("tree");
  EXPECT_TRUE(CreateFolderPath(root + "\\lumo/Tidemark Drum and Bass FM\\"));
  EXPECT_TRUE(IsFolder(root + "/lumo\\Tidemark Drum and Bass FM"));
  EXPECT_TRUE(CreateFolderPath(root + "\\lumo"));  // existing: left alone
  EXPECT_TRUE(IsFolder("C:"));
  EXPECT_TRUE(IsFolder("C:\\"));
  EXPECT_FALSE(IsFolder(root + "\\none"));
  // A file in the way is not a folder, and nothing is created below it.
  ASSERT_TRUE(ReplaceFile(root + "\\file", ""));
  EXPECT_FALSE(CreateFolderPath(root + "\\file\\below"));
}

}  // namespace
}  // namespace sp
