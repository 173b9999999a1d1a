#include "platform/controls.h"

#include <map>

#include "platform/backend.h"
#include "platform/canvas_draw.h"
#include "platform/image_store.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace sp {
namespace {

std::map<std::int64_t, ControlState>& Table() {
  static std::map<std::int64_t, ControlState> table;
  return table;
}

}  // namespace

namespace controls {

ControlState& Add(ControlId id, ControlKind kind, WindowId window, int w, int h, int scale) {
  ControlState& state = Table()[Num(id)];
  state = ControlState{};
  state.kind = kind;
  state.window = window;
  state.scale = scale > 0 ? scale : 1;
  state.picture =
      Bitmap(w > 0 ? w * state.scale : 0, h > 0 ? h * state.scale : 0, OpaquePixel({0, 0, 0}));
  return state;
}

ControlState* Find(ControlId id) {
  auto it = Table().find(Num(id));
  return it == Table().end() ? nullptr : &it->second;
}

bool Exists(ControlId id) {
  return Find(id) != nullptr;
}
void Remove(ControlId id) {
  Table().erase(Num(id));
}
void Clear() {
  Table().clear();
}

void RenderTextStrip(ControlState& strip) {
  Bitmap& bmp = strip.picture;
  Fill(bmp, strip.style.background);
  if (strip.text.empty()) return;
  // Laid out in drawing pixels, drawn at the picture's density.
  const int s = strip.scale;
  const text::Extent extent = text::Measure(strip.style.font, strip.text);
  int x = 0, y = 0;
  if (strip.style.align != TextAlign::TopLeft) y = (bmp.height / s - extent.height) / 2;
  if (strip.style.align == TextAlign::Centre) x = (bmp.width / s - extent.width) / 2;
  text::Draw(bmp, strip.style.font, x, y, strip.text, strip.style.foreground, s);
}

}  // namespace controls

CanvasDrawing::CanvasDrawing(ControlId id) : id_(id), state_(controls::Find(id)) {
  if (state_ && state_->kind != ControlKind::Canvas) state_ = nullptr;
}

CanvasDrawing::~CanvasDrawing() {
  if (state_) ui::Repaint(id_);
}

void SetCanvasImage(ControlId canvas, ImageId image) {
  auto picture = images::Get(image);
  if (!picture) return;
  CanvasDrawing drawing(canvas);
  if (drawing) CopyPixels(drawing.bitmap(), *PixelsAt(picture, drawing.scale()), 0, 0);
}

namespace ui {
namespace {

// Drawn text is padded with spaces for its look; read out, one space does.
std::string Readable(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

void Describe(ControlId id, ControlState& state, AccessInfo info) {
  if (state.access_reads_text) info.name = Readable(state.text);
  // News is news once: the first description (before any song) and a repeat say nothing.
  const bool announce =
      !info.announcement.empty() && state.access && state.access->announcement != info.announcement;
  if (state.access == info) return;
  state.access = info;
  backend::DescribeControlWidget(id, info, announce);
}

ControlState* AddControl(const ControlSpec& desc, ControlKind kind) {
  const Dpi& dpi = ScreenDpi();
  const int w = dpi.ToPxX(desc.width), h = dpi.ToPxY(desc.height);
  ControlState& state = controls::Add(desc.id, kind, desc.window, w, h, PixelScale());
  if (!backend::AddControlWidget(desc, kind, w, h)) {
    controls::Remove(desc.id);
    return nullptr;
  }
  return &state;
}

}  // namespace

bool CreateTextStrip(const ControlSpec& desc, const std::string& text, const TextStyle& style) {
  ControlState* strip = AddControl(desc, ControlKind::TextStrip);
  if (!strip) return false;
  strip->text = text;
  strip->style = style;
  controls::RenderTextStrip(*strip);
  Repaint(desc.id);
  return true;
}

bool CreateCanvas(const ControlSpec& desc) {
  return AddControl(desc, ControlKind::Canvas) != nullptr;
}

void SetControlText(ControlId id, const std::string& utf8) {
  ControlState* strip = controls::Find(id);
  if (!strip || strip->kind != ControlKind::TextStrip) return;
  strip->text = utf8;
  controls::RenderTextStrip(*strip);
  Repaint(id);
  if (strip->access) Describe(id, *strip, *strip->access);
}

std::string ControlText(ControlId id) {
  const ControlState* state = controls::Find(id);
  return state ? state->text : std::string();
}

void SetControlStyle(ControlId id, const TextStyle& style) {
  ControlState* strip = controls::Find(id);
  if (!strip || strip->kind != ControlKind::TextStrip) return;
  strip->style = style;
  controls::RenderTextStrip(*strip);
  Repaint(id);
}

void DescribeControl(ControlId id, const AccessInfo& info) {
  ControlState* state = controls::Find(id);
  if (!state) return;
  state->access_reads_text =
      state->kind == ControlKind::TextStrip && info.role == AccessRole::Label && info.name.empty();
  Describe(id, *state, info);
}

const AccessInfo* ControlDescription(ControlId id) {
  const ControlState* state = controls::Find(id);
  return state && state->access ? &*state->access : nullptr;
}

}  // namespace ui
}  // namespace sp
