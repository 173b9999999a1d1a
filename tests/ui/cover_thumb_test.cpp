#include <gtest/gtest.h>

#include "app/app_data.h"
#include "covers/builtin_images.h"
#include "covers/cover_slots.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/mouse.h"
#include "ui/cover_window.h"

namespace sp {
namespace {

constexpr Pixel kFill = OpaquePixel({76, 74, 72});

// A picture whose every pixel says where it came from: red = x, green = y, blue = tag.
ImageId Marked(int size, std::uint8_t tag) {
  Image image;
  image.bitmap = Bitmap(size, size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      image.bitmap.At(x, y) = OpaquePixel({std::uint8_t(x), std::uint8_t(y), tag});
  return images::Install(kAllocateImage, std::move(image));
}

class CoverThumbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    AppData.Clear();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 168, 168});
    mouse::PointerLeft(ControlId::CoverThumb);  // the pointer starts outside
    Bind(EventClass::Control, WindowId::Main, ControlId::CoverThumb, kAny, OnCoverThumb);
    ThumbCover = Marked(168, 1);
    HoverCover = Marked(220, 2);
    LargeCover = Marked(300, 3);
  }
  void TearDown() override {
    headless::Reset();
    AppData.Clear();
    ThumbCover = ImageId::DefaultCoverThumb;
    HoverCover = ImageId::DefaultCoverHover;
    LargeCover = ImageId::DefaultCoverLarge;
  }
  static const Bitmap& Thumb() { return controls::Find(ControlId::CoverThumb)->picture; }
  static void Redraw() {
    Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::CoverThumb),
         event_type::RedrawRequest);
    DispatchPosted();
  }
  // True when the canvas shows the middle of image `tag` starting at (offset, offset).
  static bool Shows(std::uint8_t tag, int offset) {
    for (int y = 0; y < 168; ++y)
      for (int x = 0; x < 168; ++x)
        if (Thumb().At(x, y) !=
            OpaquePixel({std::uint8_t(x + offset), std::uint8_t(y + offset), tag}))
          return false;
    return true;
  }
};

TEST_F(CoverThumbTest, RedrawShowsTheThumbnailAndHoverZoomsIntoTheMiddle) {
  Redraw();
  EXPECT_TRUE(Shows(1, 0));
  mouse::PointerMoved(ControlId::CoverThumb);  // enter
  EXPECT_TRUE(Shows(2, 26));                   // lands at (-26, -26)
  ThumbCover = Marked(168, 4);                 // the watcher changes the cover meanwhile
  mouse::PointerMoved(ControlId::CoverThumb);  // move
  EXPECT_TRUE(Shows(2, 26));
  mouse::PointerLeft(ControlId::CoverThumb);
  EXPECT_TRUE(Shows(4, 0));
}

TEST_F(CoverThumbTest, WhileTheCoverWindowIsOpenHoverChangesNothingButLeaveRedraws) {
  AppData.cWinOpen = 1;
  Redraw();
  const int repaints = headless::TheWorld().repaints[Num(ControlId::CoverThumb)];
  mouse::PointerMoved(ControlId::CoverThumb);
  mouse::PointerMoved(ControlId::CoverThumb);
  EXPECT_TRUE(Shows(1, 0));
  EXPECT_EQ(headless::TheWorld().repaints[Num(ControlId::CoverThumb)], repaints);
  ThumbCover = Marked(168, 5);
  mouse::PointerLeft(ControlId::CoverThumb);
  EXPECT_TRUE(Shows(5, 0));
}

TEST_F(CoverThumbTest, TheLogoShowsTheFillThroughItsCornersAndAnEmptySlotShowsOnlyTheFill) {
  LoadBuiltInImages();
  ThumbCover = ImageId::DefaultCoverThumb;
  Redraw();
  EXPECT_EQ(Thumb().At(0, 0), kFill);
  EXPECT_EQ(Thumb().At(167, 167), kFill);
  EXPECT_EQ(Thumb().At(84, 84), images::Get(ImageId::DefaultCoverThumb)->bitmap.At(84, 84));

  ThumbCover = ImageId{4242};  // names no image
  Redraw();
  for (Pixel p : Thumb().pixels) ASSERT_EQ(p, kFill);
}

}  // namespace
}  // namespace sp
