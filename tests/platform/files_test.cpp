// The all-or-nothing file replace: an old file survives every failed write.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace sp {
namespace {

using files::ReadSmallFile;
using files::ReplaceFile;

namespace fs = std::filesystem;

class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/sp-replace-XXXXXX";
    root_ = std::string(::mkdtemp(tmpl)) + "/";
    std::ofstream(Target(), std::ios::binary) << "old";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Target() const { return root_ + "preferences.json"; }
  std::string TargetBytes() const {
    std::ostringstream s;
    s << std::ifstream(Target(), std::ios::binary).rdbuf();
    return s.str();
  }
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(root_)) names.insert(e.path().filename());
    return names;
  }

  std::string root_;
};

TEST_F(ReplaceFileTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporaryFile) {
  ASSERT_EQ(::chmod(Target().c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFile(Target(), "new contents"));
  EXPECT_EQ(TargetBytes(), "new contents");
  EXPECT_EQ(Entries(), std::set<std::string>{"preferences.json"});
  struct stat st {};
  ASSERT_EQ(::stat(Target().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ReplaceFileTest, AWriteThatFailsHalfwayLeavesTheOldFile) {
  // A file-size limit makes writes fail with EFBIG, even for root, as a full disk would.
  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool replaced = ReplaceFile(Target(), std::string(100, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(replaced);
  EXPECT_EQ(TargetBytes(), "old");
  EXPECT_EQ(Entries(), std::set<std::string>{"preferences.json"});
}

TEST_F(ReplaceFileTest, ARenameThatFailsRemovesTheTemporaryFile) {
  // A folder with contents in the file's place cannot be renamed over.
  fs::remove(Target());
  fs::create_directories(Target() + "/keep");
  EXPECT_FALSE(ReplaceFile(Target(), "new"));
  EXPECT_TRUE(fs::is_directory(Target() + "/keep"));
  EXPECT_EQ(Entries(), std::set<std::string>{"preferences.json"});
}

}  // namespace
}  // namespace sp
