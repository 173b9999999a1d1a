// Fonts and text drawing through GDI: each line is drawn white on black into a
// scratch bitmap, whose brightness then says how much of the colour covers each pixel.

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/text.h"
#include "platform/win32/win32_state.h"

namespace sp::text {
namespace {

struct Fonts {
  std::mutex mutex;  // guards table
  std::map<std::int64_t, HFONT> table;
};

Fonts& TheFonts() {
  static Fonts fonts;
  return fonts;
}

HFONT MakeFont(const std::wstring& face, int height) {
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                     face.c_str());
}

// A missing font falls back to the default control font, then to the stock GUI font.
HFONT Lookup(FontId n) {
  auto& fonts = TheFonts();
  std::lock_guard lock(fonts.mutex);
  auto it = fonts.table.find(Num(n));
  if (it == fonts.table.end()) it = fonts.table.find(Num(FontId::Default));
  if (it != fonts.table.end()) return it->second;
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A device context for measuring and drawing; selects the font for its lifetime.
struct MemoryDc {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_font = nullptr;
  explicit MemoryDc(HFONT font) {
    if (dc) old_font = SelectObject(dc, font);
  }
  ~MemoryDc() {
    if (!dc) return;
    SelectObject(dc, old_font);
    DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
};

// The same font `scale` times taller, for a denser target; the caller deletes it.
HFONT Scaled(HFONT font, int scale) {
  LOGFONTW lf{};
  if (scale <= 1 || !GetObjectW(font, sizeof lf, &lf)) return nullptr;
  lf.lfHeight *= scale;
  lf.lfWidth *= scale;
  return CreateFontIndirectW(&lf);
}

}  // namespace

bool CreateFont(FontId n, const std::string& face, int pixel_height) {
  if (pixel_height <= 0) return false;
  // A negative height asks for the character height rather than the cell's.
  HFONT font = MakeFont(win32ui::Wide(face), -pixel_height);
  if (!font) return false;
  auto& fonts = TheFonts();
  std::lock_guard lock(fonts.mutex);
  if (auto it = fonts.table.find(Num(n)); it != fonts.table.end()) DeleteObject(it->second);
  fonts.table[Num(n)] = font;
  return true;
}

// "Face|height" with the height as a LOGFONT gives it, or a bare face name.
void SetDefaultFont(const std::string& description) {
  const std::size_t bar = description.rfind('|');
  int height = 0;
  std::string face = description;
  if (bar != std::string::npos) {
    face = description.substr(0, bar);
    height = std::atoi(description.c_str() + bar + 1);
  }
  HFONT font = MakeFont(win32ui::Wide(face), height);
  if (!font) return;
  auto& fonts = TheFonts();
  std::lock_guard lock(fonts.mutex);
  auto& slot = fonts.table[Num(FontId::Default)];
  if (slot) DeleteObject(slot);
  slot = font;
}

bool FontExists(FontId n) {
  auto& fonts = TheFonts();
  std::lock_guard lock(fonts.mutex);
  return fonts.table.count(Num(n)) != 0;
}

void ReleaseFonts() {
  auto& fonts = TheFonts();
  std::lock_guard lock(fonts.mutex);
  for (auto& [n, font] : fonts.table) DeleteObject(font);
  fonts.table.clear();
}

Extent Measure(FontId n, std::string_view utf8) {
  MemoryDc m(Lookup(n));
  if (!m.dc) return {};
  const std::wstring wide = win32ui::Wide(utf8);
  SIZE size{};
  TEXTMETRICW metrics{};
  GetTextMetricsW(m.dc, &metrics);
  if (!wide.empty()) GetTextExtentPoint32W(m.dc, wide.c_str(), int(wide.size()), &size);
  return {int(size.cx), int(metrics.tmHeight)};
}

void Draw(Bitmap& target, FontId n, int x, int y, std::string_view utf8, Rgb colour, int scale) {
  if (target.width <= 0 || target.height <= 0 || utf8.empty()) return;
  scale = std::max(1, scale);
  HFONT font = Lookup(n);
  HFONT scaled = Scaled(font, scale);
  MemoryDc m(scaled ? scaled : font);
  const std::wstring wide = win32ui::Wide(utf8);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = target.width;
  info.bmiHeader.biHeight = -target.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP mask = m.dc ? CreateDIBSection(m.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (mask) {
    HGDIOBJ old = SelectObject(m.dc, mask);
    std::fill_n(static_cast<std::uint32_t*>(bits), target.pixels.size(), 0u);
    SetBkMode(m.dc, TRANSPARENT);
    SetTextColor(m.dc, RGB(255, 255, 255));
    TextOutW(m.dc, x * scale, y * scale, wide.c_str(), int(wide.size()));
    GdiFlush();
    const auto* cover = static_cast<const std::uint32_t*>(bits);
    // Each channel's brightness is its coverage (grey or sub-pixel smoothing alike).
    for (std::size_t i = 0; i < target.pixels.size(); ++i) {
      const std::uint32_t c = cover[i] & 0xFFFFFFu;
      if (c == 0) continue;
      const Pixel dst = target.pixels[i];
      const std::uint32_t cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
      const std::uint32_t ca = std::max({cr, cg, cb});
      const auto mix = [](std::uint32_t src, std::uint32_t d, std::uint32_t k) {
        return (src * k + d * (255 - k) + 127) / 255;
      };
      const Rgb d = RgbOf(dst);
      target.pixels[i] = (mix(255, AlphaOf(dst), ca) << 24) | (mix(colour.r, d.r, cr) << 16) |
                         (mix(colour.g, d.g, cg) << 8) | mix(colour.b, d.b, cb);
    }
    SelectObject(m.dc, old);
    DeleteObject(mask);
  }
  if (scaled) DeleteObject(scaled);
}

}  // namespace sp::text
