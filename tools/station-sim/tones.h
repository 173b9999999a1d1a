// The per-song audio: MP3 frames of a looped sine, loaded from the build's tone files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// MPEG-1 Layer III at 44.1 kHz: 1152 samples a frame.
inline constexpr double kFrameSeconds = 1152.0 / 44100.0;
// Frames skipped at the start of a tone file (encoder delay and ramp-up).
inline constexpr std::size_t kLoopSkip = 20;
// Frames in a loop: 245 * 1152 samples = exactly 6.4 s.
inline constexpr std::size_t kLoopFrames = 245;

struct Tone {
  std::string file;
  double frequency = 0;             // Hz
  double amplitude = 0;             // peak, as a fraction of full scale
  std::vector<std::string> frames;  // one loop
};

// Splits MPEG-1 Layer III data (an ID3v2 tag in front is skipped) into frames;
// empty when the data is not a clean run of 44.1 kHz frames.
std::vector<std::string_view> SplitMp3Frames(std::string_view data);

// Loads "tones.txt" ("file frequency amplitude" per line) and each tone's loop
// from `dir`. Returns an empty set and sets `error` when anything is missing.
std::vector<Tone> LoadTones(const std::string& dir, std::string& error);

// The frames one listener receives: a song's loop from its start, repeated,
// and from the start of the next song's loop as soon as another play is heard.
class StreamCursor {
 public:
  // The next frame while play number `play` with tone `tone` is heard.
  const std::string& Next(std::int64_t play, const Tone& tone);

 private:
  bool started_ = false;
  std::int64_t play_ = 0;
  const Tone* tone_ = nullptr;
  std::size_t pos_ = 0;
};

}  // namespace sim
