#include "platform/folders.h"

#include <sys/stat.h>

namespace sp {

bool IsFolder(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolderPath(const std::string& path, std::int64_t attributes) {
  std::string p = path;
  if (!p.empty() && p.back() == '/') p.pop_back();
  // Walk the fields from the left, creating each missing prefix. The empty first
  // field of an absolute path is the root, which always exists.
  std::string prefix;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = p.find('/', start);
    prefix = p.substr(0, slash);
    if (!prefix.empty() && !IsFolder(prefix)) ::mkdir(prefix.c_str(), 0777);  // failure shows below
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (attributes != -1 && !p.empty()) ::chmod(p.c_str(), static_cast<mode_t>(attributes));
  return IsFolder(p.empty() ? path : p);
}

}  // namespace sp
