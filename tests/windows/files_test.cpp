// The Windows file code: the same promises as on Linux, through the wide-character API.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/atomic_file.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/posix_file.h"
#include "sample_pictures.h"

namespace sp {
namespace {

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
