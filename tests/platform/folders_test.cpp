#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace sp {
namespace {

using files::CreateFolderPath;
using files::IsFolder;

namespace fs = std::filesystem;

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/sp-folders-XXXXXX";
    root = ::mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(root); }
  std::string root;
};

TEST_F(FoldersTest, CreatesEveryMissingLevelWithOrWithoutTrailingSlash) {
  const std::string path = root + "/a/lumo/Tidemark Drum and Bass FM/";
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(fs::is_directory(path));
  const std::string other = root + "/b/c";
  EXPECT_TRUE(CreateFolderPath(other));
  EXPECT_TRUE(CreateFolderPath(other + "/"));
  EXPECT_TRUE(fs::is_directory(other));
}

TEST_F(FoldersTest, LeavesExistingFoldersAndTheirContentsAlone) {
  fs::create_directories(root + "/lumo");
  ::chmod((root + "/lumo").c_str(), 0700);
  {
    std::FILE* f = std::fopen((root + "/lumo/keep.txt").c_str(), "w");
    std::fclose(f);
  }
  EXPECT_TRUE(CreateFolderPath(root + "/lumo/Tidemark Drum and Bass FM/"));
  EXPECT_TRUE(fs::exists(root + "/lumo/keep.txt"));
  struct stat st {};
  ::stat((root + "/lumo").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(FoldersTest, ReportsFailureWhenAFileStandsInTheWay) {
  {
    std::FILE* f = std::fopen((root + "/blocker").c_str(), "w");
    std::fclose(f);
  }
  EXPECT_FALSE(CreateFolderPath(root + "/blocker/sub/"));
  EXPECT_FALSE(IsFolder(root + "/blocker"));
}

TEST_F(FoldersTest, AppliesAttributesOnlyWhenAsked) {
  EXPECT_TRUE(CreateFolderPath(root + "/m", 0750));
  struct stat st {};
  ::stat((root + "/m").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0750u);
}

}  // namespace
}  // namespace sp
