#include "ui/cover_window.h"

#include "app/app_data.h"
#include "covers/cover_slots.h"
#include "platform/canvas_draw.h"
#include "platform/controls.h"
#include "platform/ui.h"
#include "ui/docking.h"
#include "ui/placement.h"
#include "ui/window_hook.h"

namespace sp {
namespace {

constexpr Rgb kCoverBackground{76, 74, 72};
constexpr Rgb kCaptionColour{234, 234, 234};
// The dock toggle rests at half strength and lights up under the pointer.
constexpr std::uint8_t kIconResting = 128;
constexpr std::uint8_t kIconLit = 255;

ImageId DockIcon() {
  return AppData.cWindDock == 1 ? ImageId::DockedIcon : ImageId::UndockedIcon;
}

void DescribeDockToggle() {
  ui::DescribeControl(ControlId::DockToggle,
                      a11y::ToggleButton("Dock to the main window", AppData.cWindDock == 1));
}

}  // namespace

void DescribeCoverThumb(const std::string& album) {
  ui::DescribeControl(ControlId::CoverThumb, a11y::PushButton("Cover", album));
}

void BuildCoverWindow() {
  if (!ui::CreateWindow({WindowId::Cover, "", 0, 0, kCoverWindowWidth, kCoverWindowHeight,
                         kCoverBackground, WindowId::Main}))
    return;
  // Untitled on screen, as it always was; read out by a name all the same.
  ui::DescribeWindow(WindowId::Cover, "Cover");
  if (ui::CreateCanvas({WindowId::Cover, ControlId::DockToggle, 1, 1, 16, 16})) {
    if (CanvasDrawing drawing(ControlId::DockToggle); drawing) {
      Fill(drawing.bitmap(), kCoverBackground);
      DrawImage(drawing.bitmap(), DockIcon(), 0, 0, kIconResting, drawing.scale());
    }
    Bind(EventClass::Control, WindowId::Cover, ControlId::DockToggle, kAny, OnDockToggle);
    DescribeDockToggle();
  }
  ui::CreateTextStrip({WindowId::Cover, ControlId::CoverCaption, 17, 1, 265, 19}, "",
                      {kCaptionColour, kCoverBackground, FontId::Default, TextAlign::Centre});
  ui::DescribeControl(ControlId::CoverCaption, a11y::Label());
  if (ui::CreateCanvas({WindowId::Cover, ControlId::CoverPicture, 1, 21, 300, 300})) {
    Bind(EventClass::Control, WindowId::Cover, ControlId::CoverPicture, kAny, OnCoverPicture);
    ui::DescribeControl(ControlId::CoverPicture, a11y::PushButton("Close cover"));
  }
}

void OpenCoverWindow() {
  if (AppData.cWindDock == 1) {
    // Beside the main window where it really is: after a start that rescued it from a
    // place no monitor shows, the stored position is still that place.
    const Point main =
        ui::WindowPosition(WindowId::Main).value_or(Point{AppData.WindowX, AppData.WindowY});
    PlaceWindow(WindowId::Cover, OpenedDockedCoverAt(main));
    if (const auto pos = ui::WindowPosition(WindowId::Cover)) {
      AppData.cWinX = pos->x;
      AppData.cWinY = pos->y;
    }
  } else {
    // Left where a monitor since unplugged showed it, it would open out of reach.
    PlaceWindow(WindowId::Cover,
                ReachablePosition(WindowId::Cover, {AppData.cWinX, AppData.cWinY}));
  }
  ui::ShowWindow(WindowId::Cover);
  // With the focus, as a shown window gets it on Windows: the keyboard reaches its
  // controls at once, and a screen reader says which window opened.
  ui::PresentWindow(WindowId::Cover);
  AppData.cWinOpen = 1;
}

// GUI thread. The slots may be replaced by the watcher at any moment; each draw
// reads a slot once and holds that image while drawing it.
void OnCoverThumb(const Event& event) {
  switch (event.type) {
    case event_type::RedrawRequest:
      DrawImageCentred(ControlId::CoverThumb, ThumbCover.load(), kCoverBackground);
      // The large picture follows the thumbnail even when that could not be drawn.
      SetCanvasImage(ControlId::CoverPicture, LargeCover.load());
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
    case event_type::LeftClick:
      OpenCoverWindow();
      break;
    default:
      break;
  }
}

void OnCoverPicture(const Event& event) {
  if (event.type != event_type::LeftClick) return;
  ui::HideWindow(WindowId::Cover);
  AppData.cWinOpen = 0;
  if (const auto pos = ui::WindowPosition(WindowId::Cover)) {
    AppData.cWinX = pos->x;
    AppData.cWinY = pos->y;
  }
}

void OnDockToggle(const Event& event) {
  ImageId icon = DockIcon();
  CanvasDrawing drawing(ControlId::DockToggle);
  // Nothing happens, not even the flip, when the toggle cannot be drawn on.
  if (!drawing) return;
  Bitmap& face = drawing.bitmap();
  Fill(face, kCoverBackground);
  switch (event.type) {
    case event_type::MouseLeave:
      DrawImage(face, icon, 0, 0, kIconResting, drawing.scale());
      break;
    case event_type::MouseEnter:
    case event_type::MouseMove:
      DrawImage(face, icon, 0, 0, kIconLit, drawing.scale());
      break;
    case event_type::LeftClick:
      if (AppData.cWindDock == 1) {
        // Undocking leaves both windows where they are.
        AppData.cWindDock = 0;
        icon = ImageId::UndockedIcon;
      } else {
        AppData.cWindDock = 1;
        icon = ImageId::DockedIcon;
        // Handled like a move of the main window: an open cover window snaps beside it.
        ui::SendWindowMessage(WindowId::Main, ui::WindowMessage::Size);
      }
      DrawImage(face, icon, 0, 0, kIconLit, drawing.scale());
      DescribeDockToggle();
      break;
    default:
      // A press (and anything else) leaves the bare background until the next
      // enter, move, leave or click.
      break;
  }
}

}  // namespace sp
