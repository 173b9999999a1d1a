// The song on air, shared between the watcher (the only writer) and the GUI thread
// (which reads it to draw the panel). A lock makes the watcher's clear-and-copy and
// the panel's read of the texts atomic with respect to each other.
#pragma once

#include <mutex>
#include <string>

#include "station/api_records.h"

namespace sp {

struct SongTexts {
  std::string artist, title, album;
};

class SharedSong {
 public:
  // Watcher thread: clears the record and copies `song` into it.
  void Replace(const api_current_song& song) {
    std::lock_guard lock(mutex_);
    song_.clear();
    song_ = song;
  }
  // Any thread: a copy of the whole record.
  api_current_song Snapshot() const {
    std::lock_guard lock(mutex_);
    return song_;
  }
  // GUI thread: the three texts the panel shows.
  SongTexts Texts() const {
    std::lock_guard lock(mutex_);
    return {song_.artist.name, song_.title, song_.album};
  }

 private:
  mutable std::mutex mutex_;  // guards song_
  api_current_song song_;
};

// The one shared instance; a RedrawRequest for the panel carries its address.
inline SharedSong CurrentSong;

}  // namespace sp
