// The picture of every control: canvases and text strips both keep a bitmap of their
// size, drawn here in plain C++; the backend only shows it and delivers input.
// GUI thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/access.h"
#include "platform/ids.h"
#include "platform/pixels.h"

namespace sp {

enum class ControlKind { TextStrip, Canvas, WebView };

enum class TextAlign {
  TopLeft,
  CentreVertically,  // left-aligned, centred vertically
  Centre,            // centred both ways
};

struct TextStyle {
  Rgb foreground{0, 0, 0};
  Rgb background{255, 255, 255};
  FontId font = FontId::Default;
  TextAlign align = TextAlign::TopLeft;
};

struct ControlState {
  ControlKind kind = ControlKind::Canvas;
  WindowId window = WindowId::None;
  // Screen pixels per drawing pixel: on a scaled screen the picture holds the
  // control's full pixel density, so it is shown without being stretched.
  int scale = 1;
  Bitmap picture;  // the control's pixel size times `scale`
  // Text strips only.
  std::string text;
  TextStyle style;
  // What assistive technology is told; a text strip's label follows its text.
  std::optional<AccessInfo> access;
  bool access_reads_text = false;
};

namespace controls {

// Registers a control of pixel size w x h, pictured `scale` times as densely;
// replaces an earlier one of that number.
ControlState& Add(ControlId id, ControlKind kind, WindowId window, int w, int h, int scale = 1);
ControlState* Find(ControlId id);
bool Exists(ControlId id);
void Remove(ControlId id);
void Clear();

// Text strips: redraws the picture from text and style.
void RenderTextStrip(ControlState& strip);

}  // namespace controls

// Drawing on a canvas: the picture is shown again when the scope ends.
class CanvasDrawing {
 public:
  explicit CanvasDrawing(ControlId id);
  ~CanvasDrawing();
  CanvasDrawing(const CanvasDrawing&) = delete;
  CanvasDrawing& operator=(const CanvasDrawing&) = delete;

  explicit operator bool() const { return state_ != nullptr; }
  // In screen pixels: drawing positions and sizes are multiplied by scale().
  Bitmap& bitmap() { return state_->picture; }
  int scale() const { return state_->scale; }

 private:
  ControlId id_;
  ControlState* state_;
};

// Copies an image's pixels into a canvas from its top-left corner and shows it; a
// number that names no image changes nothing. On a scaled screen each image pixel
// covers scale x scale screen pixels, resampled smoothly.
void SetCanvasImage(ControlId canvas, ImageId image);

}  // namespace sp
