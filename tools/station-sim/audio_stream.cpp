// The endless, real-time paced MP3 stream. It plays the song that the API had
// on air `stream_lag` seconds ago, as the real service's stream does.
#include <memory>

#include "sim_server.h"

namespace sim {
namespace {

// A player starts sooner when the first second arrives at once.
constexpr double kStartBurstSeconds = 1.0;
// Frames are written in batches of about this length.
constexpr double kBatchSeconds = 0.1;

struct Listener {
  explicit Listener(std::uint64_t e) : epoch(e) {}
  std::uint64_t epoch;
  Steady::time_point start = Steady::now();
  std::int64_t frames_sent = 0;
  StreamCursor cursor;
};

// The wall-clock moment at which frame k is heard.
Steady::time_point HeardTime(const Listener& l, std::int64_t k) {
  return l.start + std::chrono::duration_cast<Steady::duration>(
                       std::chrono::duration<double>(static_cast<double>(k) * kFrameSeconds));
}

}  // namespace

void ServeAudioStream(SimContext& ctx, httplib::Response& res) {
  res.set_header("Cache-Control", "no-cache, no-store");
  res.set_header("icy-name", "Tidemark Drum and Bass FM");
  auto listener = std::make_shared<Listener>(ctx.state.StreamEpoch());
  res.set_chunked_content_provider("audio/mpeg", [&ctx, listener](std::size_t,
                                                                  httplib::DataSink& sink) {
    Listener& l = *listener;
    if (ctx.state.StreamEpoch() != l.epoch) return false;
    // Wait until the next frame is due (it is sent the burst ahead of being heard).
    const auto burst = std::chrono::duration_cast<Steady::duration>(
        std::chrono::duration<double>(kStartBurstSeconds));
    if (!ctx.shutdown.SleepUntil(HeardTime(l, l.frames_sent) - burst)) return false;
    if (ctx.state.StreamEpoch() != l.epoch) return false;
    const auto batch_end =
        Steady::now() + burst +
        std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(kBatchSeconds));
    std::string out;
    while (HeardTime(l, l.frames_sent) <= batch_end) {
      const Steady::time_point heard = HeardTime(l, l.frames_sent);
      const Snapshot snap = ctx.state.Take(heard);
      const std::optional<Slot> slot = HeardAt(snap, snap.now);
      std::size_t tone = 0;
      std::int64_t play = -1;
      if (slot) {
        const Song& song = snap.playlist.songs()[slot->index];
        tone = song.tone >= 0 ? static_cast<std::size_t>(song.tone) : slot->index;
        play = slot->play;
      }
      out += l.cursor.Next(play, ctx.tones[tone % ctx.tones.size()]);
      ++l.frames_sent;
    }
    return sink.write(out.data(), out.size());
  });
}

}  // namespace sim
