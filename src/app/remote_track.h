// What the desktop's remote control shows of the song on air: pure functions from the
// song record, the countdown and a file path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/remote_control.h"
#include "station/api_records.h"

namespace sp {

// The panel's three texts (artist name, title, album, exactly as it shows them) and the
// length; no art. A record without any of the three texts is no song: serial 0.
remote::Track BuildRemoteTrack(const api_current_song& song, std::uint64_t serial);

// ends_at - started_at in microseconds, when both parse and the end comes after the start.
std::optional<std::int64_t> SongLengthUs(const api_current_song& song);

// How far into the song the stream is: the length less what the countdown said was
// left `since_countdown_s` seconds ago, kept within the song. 0 when either is unknown.
std::int64_t SongPositionUs(std::optional<std::int64_t> length_us,
                            std::optional<std::int64_t> countdown_s, double since_countdown_s);

// A file:// URL for an absolute path, every byte but the unreserved ones and "/"
// percent-encoded.
std::string FileUrl(std::string_view absolute_path);

}  // namespace sp
