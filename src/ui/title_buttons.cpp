#include "ui/title_buttons.h"

#include <functional>

#include "app/app_data.h"
#include "app/startup.h"
#include "build_config.h"
#include "platform/image_store.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace sp {
namespace {

constexpr Rgb kFace{76, 74, 72};
constexpr Rgb kWhite{255, 255, 255};

// Positions and text are given in drawing pixels; `scale` screen pixels each.
using FaceDrawer = std::function<void(Bitmap& face, bool highlighted, int scale)>;

// Drawn at the screen's density, so the face is shown on a scaled screen as sharp
// as at 100 %.
ImageId MakeFace(int w, int h, bool highlighted, const FaceDrawer& draw) {
  const int scale = ui::PixelScale();
  const ImageId face = images::Create(kAllocateImage, w * scale, h * scale, 24);
  if (auto image = images::GetMutable(face)) {
    image->density = scale;
    draw(image->bitmap, highlighted, scale);
  }
  return face;
}

// A one-pixel line, as wide as one drawing pixel on the face.
void FaceLine(Bitmap& face, int scale, int x0, int y0, int x1, int y1, Rgb colour) {
  for (int dy = 0; dy < scale; ++dy)
    for (int dx = 0; dx < scale; ++dx)
      DrawLine(face, x0 * scale + dx, y0 * scale + dy, x1 * scale + dx, y1 * scale + dy, colour);
}

void DrawTitleButton(ControlId id, const char* name, std::int64_t x, int w, int h, std::int64_t y,
                     const FaceDrawer& draw) {
  if (!ui::CreateCanvas({WindowId::Main, id, x, y, w, h}) || !controls::Exists(id)) return;
  ui::DescribeControl(id, a11y::PushButton(name));
  ButtonState& state = ButtonStates()[std::to_string(Num(id))];
  state.control = Num(id);
  state.normal_face = MakeFace(w, h, false, draw);
  state.highlighted_face = MakeFace(w, h, true, draw);
  Bind(EventClass::Control, WindowId::Main, id, kAny, OnTitleButton);
  Post(EventClass::Control, Num(WindowId::Main), Num(id), event_type::MouseLeave);
}

}  // namespace

ButtonStateMap& ButtonStates() {
  static ButtonStateMap states;
  return states;
}

void CreateButtonStates() {
  ButtonStates().clear();
  ButtonStates().reserve(512);
}

void DrawSubscribeButton() {
  DrawTitleButton(ControlId::SubscribeButton, "Subscribe", 555, 73, 21, 4,
                  [](Bitmap& face, bool hi, int s) {
                    Fill(face, kFace);
                    text::Draw(face, FontId::Button, 1, 1, "SUBSCRIBE",
                               hi ? Rgb{249, 249, 249} : Rgb{146, 146, 146}, s);
                  });
}

void DrawMinimizeButton() {
  DrawTitleButton(ControlId::MinimizeButton, "Minimize", kMainWindowWidth - 100, 46, 25, 0,
                  [](Bitmap& face, bool hi, int s) {
                    Fill(face, hi ? Rgb{94, 92, 91} : kFace);
                    FaceLine(face, s, 18, 13, 27, 13, kWhite);
                  });
}

void DrawCloseButton() {
  DrawTitleButton(ControlId::CloseButton, "Close", kMainWindowWidth - 46, 46, 25, 0,
                  [](Bitmap& face, bool hi, int s) {
                    Fill(face, hi ? Rgb{217, 95, 95} : kFace);
                    FaceLine(face, s, 18, 8, 27, 17, kWhite);
                    FaceLine(face, s, 27, 8, 18, 17, kWhite);
                  });
}

void OnTitleButton(const Event& event) {
  auto it = ButtonStates().find(std::to_string(event.control));
  if (it == ButtonStates().end()) return;
  const ButtonState& state = it->second;
  const ControlId control{event.control};
  switch (event.type) {
    case event_type::MouseEnter:
    case event_type::MouseMove:
      SetCanvasImage(control, state.highlighted_face);
      break;
    case event_type::MouseLeave:
      SetCanvasImage(control, state.normal_face);
      break;
    case event_type::LeftButtonDown:
      // The action happens on the press; the face stays as it is.
      if (control == ControlId::SubscribeButton) {
        ui::OpenUrl(config::kChannelPage);
      } else if (control == ControlId::MinimizeButton) {
        if (ui::IsWindowVisible(WindowId::Main)) ui::MinimizeWindow(WindowId::Main);
      } else if (control == ControlId::CloseButton) {
        ShutdownApp();
      }
      break;
    default:
      break;
  }
}

}  // namespace sp
