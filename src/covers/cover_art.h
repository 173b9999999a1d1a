// Choosing, fetching and installing the cover of the song on air.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/files.h"
#include "station/api_records.h"

namespace sp {

inline constexpr char kCoverFolder[] = "/tidemark-radio/Covers/";
inline constexpr char kCoverListName[] = "dateien.txt";
// The list as kept in the application folder.
inline constexpr char kCoverListFile[] = "cover.txt";
// A list of some thousand names is well under this; a larger one is no list.
inline constexpr std::size_t kMaxCoverListBytes = std::size_t{4} << 20;

// What a run needs from the world, passed in so tests can point it at a simulator
// and a temporary folder.
struct CoverArtDeps {
  std::string app_folder;  // ends in the platform's separator
  std::string cover_base;  // host name (and port), no scheme
  std::function<api_current_song()> current_song;
  // HttpGetToFile with a cap on the body, kept within a folder when one is given.
  std::function<bool(const std::string& url, const std::string& path, int flags,
                     std::size_t max_bytes, const files::Confinement* within)>
      get_to_file;
  std::function<bool(Event event)> post;  // to the GUI thread
};

// The program's own: AppData's folder, the compiled-in cover host, CurrentSong,
// HttpGetToFile and sp::Post. GUI thread (it reads AppData).
CoverArtDeps DefaultCoverArtDeps();

// Downloads the list into the application folder as "cover.txt" (no redirects
// followed) and reads its entries into `list`. Returns their number, 0 when the
// list could not be downloaded or read.
std::size_t LoadCoverList(const CoverArtDeps& deps, std::vector<std::string>& list);

// Watcher thread, after each song change: downloads the list, picks the first entry
// holding every word of the song, downloads and decodes it and puts it on show.
// Nothing changes when nothing matches or a download fails; DefaultCover returns
// when the downloaded file is no picture.
void UpdateCoverArt(const CoverArtDeps& deps);

}  // namespace sp
