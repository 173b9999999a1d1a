// Replacing the cover while the GUI thread draws: no draw may meet an image that is
// being released or not yet installed, the built-in covers stay, and swaps leave no
// images behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "app/app_data.h"
#include "covers/builtin_images.h"
#include "covers/cover_install.h"
#include "covers/cover_slots.h"
#include "platform/controls.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/mouse.h"
#include "ui/cover_window.h"

namespace sp {
namespace {

constexpr Rgb kFill{76, 74, 72};

// A small one-colour picture, as the decoder would leave it. Its colour says which
// swap made it: red = tag, green and blue fixed.
ImageId Decoded(int tag) {
  Image image;
  image.bitmap = Bitmap(6, 4, OpaquePixel({std::uint8_t(tag), 20, 30}));
  return images::Install(kAllocateImage, std::move(image));
}

bool PostToGui(Event e) {
  return Posted().Post(std::move(e));
}

// Swaps in the cover `tag` the way a run of the matcher does.
void Swap(int tag) {
  const ImageId decoded = Decoded(tag);
  InstallCover(decoded, PostToGui);
  images::Release(decoded);
}

class CoverSwapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    AppData.Clear();
    LoadBuiltInImages();
    ResetSlots();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 168, 168});
    mouse::PointerLeft(ControlId::CoverThumb);
    Bind(EventClass::Control, WindowId::Main, ControlId::CoverThumb, kAny, OnCoverThumb);
  }
  void TearDown() override {
    headless::Reset();
    ResetSlots();
  }
  static void ResetSlots() {
    ThumbCover = ImageId::DefaultCoverThumb;
    HoverCover = ImageId::DefaultCoverHover;
    LargeCover = ImageId::DefaultCoverLarge;
  }
  // What the thumbnail shows: a swap's tag, or -1 for anything else (the bare fill,
  // a mixture, a colour no swap made).
  static int ShownTag() {
    const Bitmap& b = controls::Find(ControlId::CoverThumb)->picture;
    const Pixel first = b.pixels.front();
    for (const Pixel p : b.pixels)
      if (p != first) return -1;
    const Rgb c = RgbOf(first);
    if (c == kFill || c.g != 20 || c.b != 30) return -1;
    return c.r;
  }
  struct StoreShape {
    std::size_t count = 0;
    std::vector<int> sizes;          // width of every allocated image, in number order
    std::vector<ImageId> fixed;      // the program's own numbers
    std::vector<ImageId> allocated;  // numbers handed out, sorted
    bool builtins = false;
  };
  static StoreShape Shape() {
    StoreShape shape;
    const std::vector<ImageId> numbers = images::Numbers();
    shape.count = numbers.size();
    for (const ImageId n : numbers) {
      if (Num(n) > 5) {
        shape.sizes.push_back(images::Width(n));
        shape.allocated.push_back(n);
      } else {
        shape.fixed.push_back(n);
      }
    }
    std::sort(shape.allocated.begin(), shape.allocated.end());
    shape.builtins = images::Exists(ImageId::DefaultCoverLarge) &&
                     images::Exists(ImageId::DefaultCoverThumb) &&
                     images::Exists(ImageId::DefaultCoverHover);
    return shape;
  }
};

TEST_F(CoverSwapTest, DrawsAndHoversDuringQuickSwapsAlwaysMeetAnInstalledCover) {
  Swap(1);
  DispatchPosted();
  ASSERT_EQ(ShownTag(), 1);

  constexpr int kSwaps = 300;
  std::atomic<bool> done{false};
  // The watcher's side.
  std::thread watcher([&] {
    for (int i = 0; i < kSwaps; ++i) Swap(2 + i % 200);
    done = true;
  });
  // The GUI thread's side: redraws as they arrive, and the pointer in and out.
  int draws = 0, bad = 0;
  const auto look = [&] {
    ++draws;
    if (ShownTag() < 0) ++bad;
  };
  while (!done.load()) {
    if (DispatchPosted() > 0) look();
    mouse::PointerMoved(ControlId::CoverThumb);  // enter: the zoomed HoverCover
    look();
    mouse::PointerMoved(ControlId::CoverThumb);  // move
    look();
    mouse::PointerLeft(ControlId::CoverThumb);  // back to ThumbCover
    look();
  }
  watcher.join();
  DispatchPosted();
  look();
  EXPECT_EQ(bad, 0) << "of " << draws << " draws";
  EXPECT_GT(draws, 3);
  EXPECT_EQ(ShownTag(), 2 + (kSwaps - 1) % 200);
  EXPECT_TRUE(Shape().builtins);
}

TEST_F(CoverSwapTest, AThousandSwapsLeaveTheStoreAsTheFirstOneDid) {
  Swap(1);
  DispatchPosted();
  const StoreShape first = Shape();
  ASSERT_EQ(first.sizes, (std::vector<int>{168, 220, 300}));

  for (int i = 0; i < 1000; ++i) {
    // Every tenth download is no picture: DefaultCover comes back in between.
    if (i % 10 == 3) {
      InstallCover(ImageId::None, PostToGui);
    } else {
      Swap(2 + i % 200);
    }
    if (i % 7 == 0) DispatchPosted();  // the GUI thread lags behind now and then
  }
  Swap(7);
  DispatchPosted();
  const StoreShape last = Shape();
  EXPECT_EQ(last.count, first.count);
  EXPECT_EQ(last.sizes, first.sizes);
  EXPECT_EQ(last.fixed, first.fixed);
  // Nothing but the three slots' own images: no copy of an older cover lingers.
  std::vector<ImageId> slots{ThumbCover.load(), HoverCover.load(), LargeCover.load()};
  std::sort(slots.begin(), slots.end());
  EXPECT_EQ(last.allocated, slots);
  EXPECT_TRUE(last.builtins);
  EXPECT_EQ(images::Width(ThumbCover), 168);
  EXPECT_EQ(images::Width(HoverCover), 220);
  EXPECT_EQ(images::Width(LargeCover), 300);
}

TEST_F(CoverSwapTest, ANonPictureBringsBackDefaultCoverAndKeepsIt) {
  Swap(1);
  DispatchPosted();
  for (int round = 0; round < 2; ++round) {  // twice: DefaultCover replacing itself
    InstallCover(ImageId::None, PostToGui);
    EXPECT_EQ(DispatchPosted(), 1);
    EXPECT_EQ(ThumbCover.load(), ImageId::DefaultCoverThumb);
    EXPECT_EQ(HoverCover.load(), ImageId::DefaultCoverHover);
    EXPECT_EQ(LargeCover.load(), ImageId::DefaultCoverLarge);
    const StoreShape shape = Shape();
    EXPECT_TRUE(shape.builtins);
    EXPECT_TRUE(shape.sizes.empty());  // the old cover's three images are gone
  }
}

}  // namespace
}  // namespace sp
