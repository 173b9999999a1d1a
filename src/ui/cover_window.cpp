// The cover thumbnail of the main window; the cover window itself is still a
// placeholder.
#include "ui/cover_window.h"

#include "app/app_data.h"
#include "covers/cover_slots.h"
#include "platform/canvas_draw.h"

namespace sp {
namespace {

constexpr Rgb kCoverBackground{76, 74, 72};

}  // namespace

void BuildCoverWindow() {}

// GUI thread. The slots may be replaced by the watcher at any moment; each draw
// reads a slot once and holds that image while drawing it.
void OnCoverThumb(const Event& event) {
  switch (event.type) {
    case event_type::RedrawRequest:
      DrawImageCentred(ControlId::CoverThumb, ThumbCover.load(), kCoverBackground);
      // TODO: also put LargeCover on CoverPicture here (even when the thumbnail could
      // not be drawn) once the cover window builds that canvas.
      break;
    case event_type::MouseEnter:
    case event_type::MouseMove:
      // A zoomed view of the cover's middle, only while the cover window is closed.
      if (AppData.cWinOpen == 0)
        DrawImageCentred(ControlId::CoverThumb, HoverCover.load(), kCoverBackground);
      break;
    case event_type::MouseLeave:
      DrawImageCentred(ControlId::CoverThumb, ThumbCover.load(), kCoverBackground);
      break;
    // TODO: LeftClick opens the cover window; it comes with the cover window.
    default:
      break;
  }
}

}  // namespace sp
