// Fonts and text drawing with Pango over cairo, straight into the program's bitmaps.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <map>
#include <memory>
#include <mutex>

#include "platform/text.h"

namespace sp::text {
namespace {

// The faces the program asks for are not on Linux desktops; these aliases pick
// faces with the same look (Open Sans) or the same metrics (Liberation Sans).
constexpr char kFontAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>Segoe UI</family><prefer><family>Open Sans</family></prefer></alias>
  <alias binding="same"><family>Arial</family><prefer><family>Liberation Sans</family><family>Arimo</family></prefer></alias>
</fontconfig>
)";

void EnsureAliases() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                   reinterpret_cast<const FcChar8*>(kFontAliases), FcTrue);
  });
}

struct DescriptionFree {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
using Description = std::unique_ptr<PangoFontDescription, DescriptionFree>;

struct Fonts {
  std::map<std::int64_t, Description> table;
  Description fallback{pango_font_description_from_string("Sans 10")};
};

Fonts& TheFonts() {
  static Fonts fonts;
  return fonts;
}

const PangoFontDescription* Lookup(FontId n) {
  auto& fonts = TheFonts();
  auto it = fonts.table.find(Num(n));
  if (it != fonts.table.end()) return it->second.get();
  // A missing font falls back to the default control font.
  it = fonts.table.find(Num(FontId::Default));
  return it != fonts.table.end() ? it->second.get() : fonts.fallback.get();
}

struct Surface {
  cairo_surface_t* surface;
  cairo_t* cr;
  explicit Surface(Bitmap& bmp)
      : surface(cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(bmp.pixels.data()), CAIRO_FORMAT_ARGB32, bmp.width,
            bmp.height, bmp.width * 4)),
        cr(cairo_create(surface)) {}
  ~Surface() {
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

struct LayoutFree {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutFree>;

Layout MakeLayout(cairo_t* cr, FontId n, std::string_view utf8) {
  Layout layout(pango_cairo_create_layout(cr));
  pango_layout_set_font_description(layout.get(), Lookup(n));
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  pango_layout_set_text(layout.get(), utf8.data(), int(utf8.size()));
  return layout;
}

}  // namespace

bool CreateFont(FontId n, const std::string& face, int pixel_height) {
  EnsureAliases();
  if (pixel_height <= 0) return false;
  Description d(pango_font_description_new());
  pango_font_description_set_family(d.get(), face.c_str());
  pango_font_description_set_weight(d.get(), PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d.get(), PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(d.get(), double(pixel_height) * PANGO_SCALE);
  TheFonts().table[Num(n)] = std::move(d);
  return true;
}

void SetDefaultFont(const std::string& description) {
  EnsureAliases();
  TheFonts().table[Num(FontId::Default)] =
      Description(pango_font_description_from_string(description.c_str()));
}

bool FontExists(FontId n) {
  return TheFonts().table.count(Num(n)) != 0;
}

void ReleaseFonts() {
  TheFonts().table.clear();
}

Extent Measure(FontId n, std::string_view utf8) {
  EnsureAliases();
  Bitmap scratch(1, 1, 0);
  Surface s(scratch);
  Layout layout = MakeLayout(s.cr, n, utf8);
  Extent e;
  pango_layout_get_pixel_size(layout.get(), &e.width, &e.height);
  return e;
}

void Draw(Bitmap& target, FontId n, int x, int y, std::string_view utf8, Rgb colour, int scale) {
  if (target.width <= 0 || target.height <= 0 || utf8.empty()) return;
  EnsureAliases();
  Surface s(target);
  // Before the layout is made, so the glyphs are shaped for the target's pixels.
  if (scale > 1) cairo_scale(s.cr, scale, scale);
  cairo_set_source_rgb(s.cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
  Layout layout = MakeLayout(s.cr, n, utf8);
  cairo_move_to(s.cr, x, y);
  pango_cairo_show_layout(s.cr, layout.get());
}

}  // namespace sp::text
