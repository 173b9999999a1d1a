// Picture decoding and encoding through gdk-pixbuf, into and out of the program's
// premultiplied ARGB32 images. Needs no display.
#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/picture_format.h"
#include "platform/pictures.h"

namespace sp::pictures {
namespace {

// What a load learns besides the pixels.
struct LoadState {
  bool sized = false;  // the size was checked before the pixels were allocated
  bool refused = false;
  std::vector<bool> rows_done;  // rows the loader reported as decoded
};

// Runs before the loader allocates its pixels. A 0 x 0 request makes the loaders
// give up with an error instead of allocating what the header claims.
void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  if (!ImageSizeAllowed(width, height)) {
    state->refused = true;
    gdk_pixbuf_loader_set_size(loader, 0, 0);
    return;
  }
  state->sized = true;
  // Some loaders announce the size again with every piece of data.
  if (state->rows_done.size() != std::size_t(height))
    state->rows_done.assign(std::size_t(height), false);
}

void OnAreaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data) {
  auto& rows = static_cast<LoadState*>(data)->rows_done;
  const long long from = std::max(0, y), to = std::min<long long>(rows.size(), 0LL + y + height);
  for (long long r = from; r < to; ++r) rows[std::size_t(r)] = true;
}

// Several loaders accept data cut short and leave the missing rows undefined. PNG
// and JPEG fill their rows even then, so their data must reach its end marker; the
// others must have reported every row. GIF is exempt from the row count: a first
// frame may cover only part of the picture, and its loader refuses cut data itself.
bool Complete(Kind kind, const LoadState& state, std::span<const std::uint8_t> data) {
  switch (kind) {
    case Kind::Png:
      return PngReachesEnd(data);
    case Kind::Jpeg:
      return JpegReachesEnd(data);
    case Kind::Gif:
      return true;
    default:
      return std::find(state.rows_done.begin(), state.rows_done.end(), false) ==
             state.rows_done.end();
  }
}

std::uint32_t Premultiply(std::uint32_t c, std::uint32_t a) {
  const std::uint32_t t = c * a + 128;
  return (t + (t >> 8)) >> 8;
}

std::optional<Image> FromPixbuf(GdkPixbuf* pixbuf, int depth) {
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  if (!ImageSizeAllowed(w, h) || gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels != (alpha ? 4 : 3)) {
    return std::nullopt;
  }
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  Image image;
  image.depth = depth == 32 ? 32 : 24;
  image.bitmap = Bitmap(w, h, 0);
  for (int y = 0; y < h; ++y) {
    const guint8* p = pixels + std::size_t(y) * stride;
    Pixel* out = &image.bitmap.At(0, y);
    for (int x = 0; x < w; ++x, p += channels) {
      const std::uint32_t a = alpha ? p[3] : 255;
      const Pixel colour =
          (Premultiply(p[0], a) << 16) | (Premultiply(p[1], a) << 8) | Premultiply(p[2], a);
      // At depth 24 the alpha is dropped: the colour stays as if over black.
      out[x] = colour | (image.depth == 32 ? a << 24 : 0xFF000000u);
    }
  }
  return image;
}

struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

// The whole file, or nothing when it is missing, not a regular file or too big.
std::optional<std::vector<std::uint8_t>> ReadBounded(const std::string& path) {
  // O_NONBLOCK: opening a FIFO put in the picture's place must not hang.
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat st {};
  if (file.fd < 0 || fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      std::uint64_t(st.st_size) > kMaxPictureFileBytes) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> data(std::size_t(st.st_size));
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(file.fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;  // shrank under us, or a read error
    got += std::size_t(n);
  }
  return data;
}

}  // namespace

std::optional<Image> Decode(std::span<const std::uint8_t> data, int depth) {
  const Kind kind = Sniff(data);
  if (kind == Kind::Unknown) return std::nullopt;
  LoadState state;  // outlives the loader, whose signals point at it
  g_autoptr(GdkPixbufLoader) loader = gdk_pixbuf_loader_new_with_type(LoaderName(kind), nullptr);
  if (!loader) return std::nullopt;  // no loader for this format here
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &state);
  g_signal_connect(loader, "area-updated", G_CALLBACK(OnAreaUpdated), &state);
  g_autoptr(GError) write_error = nullptr;
  g_autoptr(GError) close_error = nullptr;
  const bool written = gdk_pixbuf_loader_write(loader, data.data(), data.size(), &write_error);
  // Always closed: a loader dropped unclosed complains.
  const bool closed = gdk_pixbuf_loader_close(loader, written ? &close_error : nullptr);
  if (!written || !closed || state.refused || !state.sized || !Complete(kind, state, data))
    return std::nullopt;
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);  // owned by the loader
  if (!pixbuf) return std::nullopt;
  return FromPixbuf(pixbuf, depth);
}

std::optional<Image> DecodeFile(const std::string& path, int depth) {
  auto data = ReadBounded(path);
  if (!data) return std::nullopt;
  return Decode(*data, depth);
}

std::optional<std::vector<std::uint8_t>> Encode(const Image& image, Format format) {
  const int w = image.width(), h = image.height();
  if (w <= 0 || h <= 0 || image.bitmap.pixels.size() != std::size_t(w) * h) return std::nullopt;
  const bool alpha = image.depth == 32 && format == Format::Png;
  g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
  if (!pixbuf) return std::nullopt;
  guint8* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const int channels = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    guint8* out = pixels + std::size_t(y) * stride;
    for (int x = 0; x < w; ++x, out += channels) {
      const Pixel p = image.bitmap.At(x, y);
      const std::uint32_t a = alpha ? AlphaOf(p) : 255;
      const Rgb c = RgbOf(p);
      // Back from premultiplied; a fully transparent pixel has no colour to recover.
      auto straight = [a](std::uint32_t v) {
        return guint8(a == 0 ? 0 : std::min<std::uint32_t>(255, (v * 255 + a / 2) / a));
      };
      out[0] = straight(c.r);
      out[1] = straight(c.g);
      out[2] = straight(c.b);
      if (alpha) out[3] = guint8(a);
    }
  }
  gchar* buffer = nullptr;
  gsize size = 0;
  g_autoptr(GError) error = nullptr;
  const gboolean saved =
      format == Format::Png
          ? gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", &error, nullptr)
          : gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", &error, "quality", "90",
                                      nullptr);
  if (!saved) return std::nullopt;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
  std::vector<std::uint8_t> out(bytes, bytes + size);
  g_free(buffer);
  return out;
}

}  // namespace sp::pictures
