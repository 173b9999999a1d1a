// MP3 frame splitting, tone loading and the per-listener frame cursor.
#include "tones.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace sim {
namespace {

constexpr int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};

std::size_t SkipId3(std::string_view d) {
  if (d.size() < 10 || d.substr(0, 3) != "ID3") return 0;
  const auto b = [&](std::size_t i) {
    return static_cast<std::size_t>(static_cast<unsigned char>(d[i]));
  };
  return 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
}

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

std::vector<std::string_view> SplitMp3Frames(std::string_view d) {
  std::vector<std::string_view> frames;
  std::size_t pos = SkipId3(d);
  while (pos < d.size()) {
    if (d.size() - pos < 4) return {};
    const auto h = [&](std::size_t i) { return static_cast<unsigned char>(d[pos + i]); };
    // Sync, MPEG-1, Layer III; sampling rate index 0 (44.1 kHz).
    if (h(0) != 0xFF || (h(1) & 0xFE) != 0xFA || (h(2) & 0x0C) != 0) return {};
    const int kbps = kBitrates[h(2) >> 4];
    if (kbps == 0) return {};
    const std::size_t length = static_cast<std::size_t>(144000 * kbps / 44100) + ((h(2) >> 1) & 1);
    if (d.size() - pos < length) break;  // a cut last frame is dropped
    frames.push_back(d.substr(pos, length));
    pos += length;
  }
  return frames;
}

std::vector<Tone> LoadTones(const std::string& dir, std::string& error) {
  std::string manifest;
  if (!ReadFile(dir + "/tones.txt", manifest)) {
    error = "cannot read " + dir + "/tones.txt";
    return {};
  }
  std::vector<Tone> tones;
  std::istringstream lines(manifest);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    Tone t;
    std::istringstream fields(line);
    if (!(fields >> t.file >> t.frequency >> t.amplitude)) {
      error = "bad line in tones.txt: " + line;
      return {};
    }
    std::string data;
    if (!ReadFile(dir + "/" + t.file, data)) {
      error = "cannot read " + dir + "/" + t.file;
      return {};
    }
    const std::vector<std::string_view> frames = SplitMp3Frames(data);
    if (frames.size() < kLoopSkip + kLoopFrames) {
      error = t.file + " is not a long enough 44.1 kHz MP3";
      return {};
    }
    for (std::size_t i = kLoopSkip; i < kLoopSkip + kLoopFrames; ++i) {
      t.frames.emplace_back(frames[i]);
    }
    tones.push_back(std::move(t));
  }
  if (tones.empty()) error = "no tones in " + dir + "/tones.txt";
  return tones;
}

const std::string& StreamCursor::Next(std::int64_t play, const Tone& tone) {
  if (!started_ || play != play_ || &tone != tone_) {
    started_ = true;
    play_ = play;
    tone_ = &tone;
    pos_ = 0;
  }
  const std::string& frame = tone.frames[pos_];
  pos_ = (pos_ + 1) % tone.frames.size();
  return frame;
}

}  // namespace sim
