// One run of the cover matcher: list, words, match, download, decode, install.
#include "covers/cover_art.h"

#include <limits>
#include <optional>

#include "app/app_data.h"
#include "build_config.h"
#include "covers/cover_install.h"
#include "covers/cover_list.h"
#include "covers/cover_words.h"
#include "covers/image_decode.h"
#include "covers/percent_encode.h"
#include "platform/files.h"
#include "platform/image_store.h"
#include "station/current_song.h"
#include "station/http_get.h"

namespace sp {
namespace {

// A cover is bounded by the HTTP layer's file cap alone.
constexpr std::size_t kNoCapOfItsOwn = std::numeric_limits<std::size_t>::max();

std::string CoverUrl(const CoverArtDeps& deps, const std::string& name) {
  return PercentEncode(deps.cover_base + kCoverFolder + name);
}

}  // namespace

CoverArtDeps DefaultCoverArtDeps() {
  CoverArtDeps deps;
  deps.app_folder = AppData.Preferences;
  deps.cover_base = config::kCoverBase;
  deps.current_song = [] { return CurrentSong.Snapshot(); };
  deps.get_to_file = [](const std::string& url, const std::string& path, int flags,
                        std::size_t max_bytes, const files::Confinement* within) {
    return HttpGetToFile(url, path, flags, max_bytes, within);
  };
  deps.post = [](Event e) { return Posted().Post(std::move(e)); };
  return deps;
}

std::size_t LoadCoverList(const CoverArtDeps& deps, std::vector<std::string>& list) {
  const std::string path = deps.app_folder + kCoverListFile;
  if (!deps.get_to_file(CoverUrl(deps, kCoverListName), path, HttpNoRedirect, kMaxCoverListBytes,
                        nullptr))
    return 0;
  const std::optional<std::string> bytes = files::ReadSmallFile(path, kMaxCoverListBytes);
  if (!bytes) return 0;
  list = ParseCoverList(*bytes);
  return list.size();
}

void UpdateCoverArt(const CoverArtDeps& deps) {
  std::vector<std::string> list;
  if (LoadCoverList(deps, list) == 0) return;

  const api_current_song song = deps.current_song();
  std::vector<std::string> words;
  AppendWords(song.title, words);
  AppendWords(song.artist.name, words);
  AppendWords(song.album, words);
  const std::optional<std::size_t> match = MatchCover(list, words);
  if (!match) return;

  // A name that would reach outside the folder, or one of our own files, fails
  // like a download that could not be stored: nothing is requested or touched. The
  // name rules come first; the file opened under the name is checked too, for the
  // names a file system knows beyond them.
  const std::string& entry = list[*match];
  if (!IsPlainEntryName(entry)) return;
  const std::string path = deps.app_folder + entry;
  const files::Confinement within{deps.app_folder, kAppFolderFiles};
  if (!deps.get_to_file(CoverUrl(deps, entry), path, 0, kNoCapOfItsOwn, &within)) return;

  const ImageId decoded = DecodeImageFromFile(kAllocateImage, path, 24);
  InstallCover(decoded, deps.post);
  if (decoded != ImageId::None) images::Release(decoded);
  files::Remove(path);
}

}  // namespace sp
