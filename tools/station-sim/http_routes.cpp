// The station's public face: API, cover host, stream and channel page, with
// any fault a test put on the requested path applied to the answer.
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>

#include "sim_server.h"

namespace sim {
namespace {

constexpr std::string_view kApi = "/api";
constexpr std::string_view kStream = "/stream/";

struct Answer {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  bool audio_stream = false;
};

Answer Json(int status, const nlohmann::json& j) {
  return {status, "application/json", DumpJson(j)};
}

Answer Html(int status, std::string body) {
  return {status, "text/html; charset=utf-8", std::move(body)};
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

Answer ApiAnswer(SimContext& ctx, std::string_view path) {
  const Snapshot snap = ctx.state.Take(Steady::now());
  if (path == "/time") {
    return {200, "application/json",
            "\"" + FormatDateTime(WholeSeconds(snap.now)) + " " + snap.utc_offset + "\""};
  }
  const std::string song_path = std::string("/station/") + kStationId + "/current_song";
  if (path == song_path) {
    const std::optional<Slot> slot = snap.playlist.At(WholeSeconds(snap.now));
    if (!slot) return Json(200, nlohmann::json::object());
    return Json(200, CurrentSongJson(snap.playlist.songs()[slot->index], *slot, snap.utc_offset));
  }
  if (StartsWith(path, "/station/")) return Json(404, {{"error", "station not found"}});
  return Json(404, {{"error", "not found"}});
}

Answer CoverAnswer(SimContext& ctx, std::string_view name) {
  const std::optional<std::string> file = ctx.covers.Find(name);
  if (!file) return Html(404, "<html><body><h1>404 Not Found</h1></body></html>\n");
  std::ifstream in(*file, std::ios::binary);
  std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // By the file's own name: a name cut at '?' or '#' has lost its extension.
  return {200, ContentTypeFor(*file), std::move(data)};
}

Answer NormalAnswer(SimContext& ctx, const std::string& path) {
  if (StartsWith(path, std::string(kApi) + "/")) return ApiAnswer(ctx, path.substr(kApi.size()));
  if (StartsWith(path, kCoverFolder)) {
    return CoverAnswer(ctx, std::string_view(path).substr(std::string_view(kCoverFolder).size()));
  }
  if (path == std::string(kStream) + kStationId) return {200, "audio/mpeg", "", true};
  if (path == "/channel") {
    return Html(200,
                "<!DOCTYPE html><html><head><meta charset='utf-8'><title>Tidemark Drum and Bass "
                "FM</title></head><body style='font-family:sans-serif'><h1>Tidemark Drum and "
                "Bass FM</h1><p>Thanks for subscribing! (This page is served by the local "
                "station simulator.)</p></body></html>\n");
  }
  if (path == "/") {
    return Html(200,
                "<!DOCTYPE html><html><body><h1>Station simulator</h1><ul>"
                "<li><a href='/api/time'>/api/time</a></li>"
                "<li><a href='/api/station/tidemark/current_song'>current song</a></li>"
                "<li><a href='/tidemark-radio/Covers/dateien.txt'>cover list</a></li>"
                "<li><a href='/stream/tidemark'>stream</a></li>"
                "<li><a href='/control/state'>simulator state</a></li></ul></body></html>\n");
  }
  return Html(404, "<html><body><h1>404 Not Found</h1></body></html>\n");
}

// Sends `body` with its full length announced, but only `cut` bytes of it,
// then optionally waits and sends the rest.
void SendPartly(SimContext& ctx, httplib::Response& res, const std::string& type, std::string body,
                std::size_t cut, std::optional<double> stall_seconds) {
  auto data = std::make_shared<std::string>(std::move(body));
  res.set_content_provider(
      data->size(), type,
      [&ctx, data, cut, stall_seconds](std::size_t offset, std::size_t, httplib::DataSink& sink) {
        if (offset < cut) return sink.write(data->data() + offset, cut - offset);
        if (!stall_seconds) return false;  // drop: close with the body unfinished
        const auto wake = Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                              std::chrono::duration<double>(*stall_seconds));
        if (!ctx.shutdown.SleepUntil(wake)) return false;
        return sink.write(data->data() + offset, data->size() - offset);
      });
}

void SendLarge(httplib::Response& res, const Fault& f) {
  const std::size_t total = f.size;
  const auto piece = [total](std::size_t offset, httplib::DataSink& sink) {
    const std::size_t n = std::min<std::size_t>(64 * 1024, total - offset);
    const std::string part = LargeJsonPiece(offset, n, total);
    return sink.write(part.data(), part.size());
  };
  if (f.chunked) {
    // Only a chunked answer has (and needs) an explicit end.
    res.set_chunked_content_provider("application/json",
                                     [piece, total](std::size_t offset, httplib::DataSink& sink) {
                                       if (offset >= total) {
                                         sink.done();
                                         return true;
                                       }
                                       return piece(offset, sink);
                                     });
  } else {
    res.set_content_provider(total, "application/json",
                             [piece](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               return piece(offset, sink);
                             });
  }
}

// A stand-in body for faults that need the normal answer's bytes.
std::string BodyOf(SimContext& ctx, const Answer& a) {
  if (!a.audio_stream) return a.body.empty() ? std::string(64, ' ') : a.body;
  std::string frames;
  for (const std::string& f : ctx.tones.front().frames) frames += f;
  return frames;
}

void ApplyFault(SimContext& ctx, const Fault& f, Answer normal, httplib::Response& res) {
  const auto status = [&](int fallback) { return f.status != 0 ? f.status : fallback; };
  switch (f.kind) {
    case FaultKind::kError500:
      res.status = status(500);
      res.set_content(f.body.empty() ? ServerErrorPage() : f.body, "text/html; charset=utf-8");
      return;
    case FaultKind::kNotJson:
      res.status = status(200);
      res.set_content(
          f.body.empty() ? "Service temporarily unavailable, try again later.\n" : f.body,
          "text/plain; charset=utf-8");
      return;
    case FaultKind::kEmpty:
      res.status = status(200);
      res.set_content("", f.content_type);
      return;
    case FaultKind::kRedirect:
      res.status = status(302);
      res.set_header("Location", f.location);
      res.set_content(f.body, "text/html; charset=utf-8");
      return;
    case FaultKind::kDrop: {
      res.status = status(normal.status);
      std::string body = BodyOf(ctx, normal);
      const std::size_t cut = body.size() / 2;
      SendPartly(ctx, res, normal.content_type, std::move(body), cut, std::nullopt);
      return;
    }
    case FaultKind::kStall: {
      if (f.stall_before_headers) {
        const auto wake = Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                              std::chrono::duration<double>(f.stall_seconds));
        ctx.shutdown.SleepUntil(wake);
        res.status = normal.status;
        res.set_content(BodyOf(ctx, normal), normal.content_type);
        return;
      }
      res.status = status(normal.status);
      std::string body = BodyOf(ctx, normal);
      const std::size_t cut = body.size() / 2;
      SendPartly(ctx, res, normal.content_type, std::move(body), cut, f.stall_seconds);
      return;
    }
    case FaultKind::kLarge:
      res.status = status(200);
      SendLarge(res, f);
      return;
    case FaultKind::kCustom:
      res.status = status(200);
      res.set_content(f.body, f.content_type);
      return;
  }
}

}  // namespace

std::string DumpJson(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void RegisterStationRoutes(httplib::Server& server, SimContext& ctx) {
  server.Get(R"(/.*)", [&ctx](const httplib::Request& req, httplib::Response& res) {
    Answer normal = NormalAnswer(ctx, req.path);
    if (const std::optional<Fault> fault = ctx.state.TakeFault(req.path)) {
      ApplyFault(ctx, *fault, std::move(normal), res);
      return;
    }
    if (normal.audio_stream) {
      ServeAudioStream(ctx, res);
      return;
    }
    res.status = normal.status;
    res.set_content(normal.body, normal.content_type);
  });
}

}  // namespace sim
