// The file and folder operations of files.h through the wide-character API, with the
// protections the POSIX code has: no link followed, nothing but regular files read or
// written, and a replacement that leaves either the old file or the whole new one.
#include "platform/win32/windows_api.h"

#include <fcntl.h>
#include <io.h>

#include <random>
#include <utility>

#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/win32/win32_state.h"

namespace sp::files {
namespace {

using win32ui::Wide;

// A NUL would cut the name short at the system call and reach another file.
bool UsablePath(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  HANDLE release() { return std::exchange(h, INVALID_HANDLE_VALUE); }
};

// Opens the entry itself, never what a link or junction under the name points at.
HANDLE OpenEntry(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A plain file on a disk: not a folder, link, pipe or device.
bool RegularFile(HANDLE h, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
         !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool WriteAllTo(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD n = 0;
    const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(h, bytes.data(), chunk, &n, nullptr) || n == 0) return false;
    bytes.remove_prefix(n);
  }
  return true;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The path Windows itself resolves an open file or folder to, names of every level in
// their long form and stored case; empty when it cannot say.
std::wstring FinalPath(HANDLE h) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h, path.data(), DWORD(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n + 1);
  }
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The name rules cannot see every name the file system knows a file by (short names,
// case folding beyond ASCII, links), so the opened file itself is asked: its final
// path must be one entry of the folder's, and it must not be one of the folder's own
// files.
bool KeepsWithin(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info, const Confinement& within) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const Handle folder(CreateFileW(Wide(within.folder).c_str(), FILE_READ_ATTRIBUTES, share, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.valid()) return false;
  std::wstring folder_path = FinalPath(folder.h);
  const std::wstring file_path = FinalPath(file);
  while (!folder_path.empty() && folder_path.back() == L'\\') folder_path.pop_back();
  const std::size_t cut = file_path.rfind(L'\\');
  if (folder_path.empty() || cut != folder_path.size() || cut + 1 >= file_path.size() ||
      CompareStringOrdinal(file_path.c_str(), int(cut), folder_path.c_str(),
                           int(folder_path.size()), TRUE) != CSTR_EQUAL)
    return false;
  for (const std::string_view own : within.own) {
    const Handle other(CreateFileW(
        Wide(within.folder + std::string(own)).c_str(), FILE_READ_ATTRIBUTES, share, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION other_info{};
    if (other.valid() && GetFileInformationByHandle(other.h, &other_info) &&
        SameFile(info, other_info))
      return false;
  }
  return true;
}

}  // namespace

int CreateForWriting(const std::string& path, const Confinement* within) {
  if (!UsablePath(path)) return -1;
  if (within && (path.compare(0, within->folder.size(), within->folder) != 0 ||
                 !IsPlainFileName(std::string_view(path).substr(within->folder.size()))))
    return -1;
  // Reading its attributes too: the checks below ask the handle what it opened.
  Handle file(OpenEntry(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, OPEN_ALWAYS));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.valid() || !RegularFile(file.h, info)) return -1;
  if (within && !KeepsWithin(file.h, info, *within)) return -1;
  if (!SetEndOfFile(file.h)) return -1;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.h), _O_WRONLY | _O_BINARY);
  if (fd >= 0) file.release();  // the descriptor owns it now
  return fd;
}

bool Remove(const std::string& path) {
  return UsablePath(path) && DeleteFileW(Wide(path).c_str()) != 0;
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes) {
  if (!UsablePath(path)) return std::nullopt;
  Handle file(OpenEntry(path, GENERIC_READ, OPEN_EXISTING));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.valid() || !RegularFile(file.h, info)) return std::nullopt;
  const std::uint64_t size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > max_bytes) return std::nullopt;
  std::string data;
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.h, buffer, sizeof buffer, &n, nullptr)) return std::nullopt;
    if (n == 0) return data;
    // The file may grow after the size was read; the limit holds for what is read.
    if (data.size() + n > max_bytes) return std::nullopt;
    data.append(buffer, n);
  }
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  if (!UsablePath(path)) return false;
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::string temp;
  Handle file(INVALID_HANDLE_VALUE);
  // Same folder as the target, so the rename stays on one volume. CREATE_NEW never
  // opens anything already there, a link included.
  for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
    temp = path + ".tmp-";
    for (int i = 0; i < 6; ++i) temp += kLetters[random() % (sizeof kLetters - 1)];
    file.h = CreateFileW(Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!file.valid() && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (!file.valid()) return false;
  bool written = WriteAllTo(file.h, bytes) && FlushFileBuffers(file.h);
  written = CloseHandle(file.release()) && written;
  // The rename replaces the entry itself: a link in the target's place is replaced,
  // not written through.
  written = written && MoveFileExW(Wide(temp).c_str(), Wide(path).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) DeleteFileW(Wide(temp).c_str());
  return written;
}

bool IsFolder(const std::string& path) {
  std::string p = path;
  // A drive ("C:" or "C:\") names a folder when the drive exists.
  if ((p.size() == 2 || (p.size() == 3 && IsSeparator(p[2]))) && p[1] == ':') {
    const UINT type = GetDriveTypeW(Wide(p.substr(0, 2) + "\\").c_str());
    return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
  }
  while (!p.empty() && IsSeparator(p.back())) p.pop_back();
  if (!UsablePath(p)) return false;
  const DWORD attributes = GetFileAttributesW(Wide(p).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPath(const std::string& path, std::int64_t attributes) {
  std::string p = path;
  if (!p.empty() && IsSeparator(p.back())) p.pop_back();
  if (p.find('\0') != std::string::npos) return false;
  // Walk the fields from the left, creating each missing prefix; a drive field
  // ("C:") is never created, and the empty first field of "\..." is the root.
  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    while (end < p.size() && !IsSeparator(p[end])) ++end;
    const std::string prefix = p.substr(0, end);
    if (!prefix.empty() && !IsFolder(prefix))
      CreateDirectoryW(Wide(prefix).c_str(), nullptr);  // failure shows below
    if (end >= p.size()) break;
    start = end + 1;
  }
  if (attributes != -1 && !p.empty()) SetFileAttributesW(Wide(p).c_str(), DWORD(attributes));
  return IsFolder(p.empty() ? path : p);
}

}  // namespace sp::files
