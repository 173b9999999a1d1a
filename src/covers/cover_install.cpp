// The slot swap. The new images are complete under numbers of their own before a
// slot names them, and the images that leave the slots are released by the GUI
// thread once it has dispatched the redraw that announces the change.
#include "covers/cover_install.h"

#include <array>
#include <atomic>
#include <memory>
#include <utility>

#include "covers/cover_slots.h"
#include "platform/image_store.h"

namespace sp {
namespace {

constexpr std::array<int, 3> kSlotSizes = {168, 220, 300};  // Thumb, Hover, Large

bool IsDefaultCover(ImageId n) {
  return n == ImageId::DefaultCoverLarge || n == ImageId::DefaultCoverThumb ||
         n == ImageId::DefaultCoverHover;
}

// Rides on the redraw request. The GUI thread reads a slot only while it handles an
// event, so once this redraw has been dispatched no draw can still hold an old
// number: the event's end on the GUI thread is the moment the old images may go.
class RetiredCovers {
 public:
  explicit RetiredCovers(std::array<ImageId, 3> numbers) : numbers_(numbers) {}
  RetiredCovers(const RetiredCovers&) = delete;
  RetiredCovers& operator=(const RetiredCovers&) = delete;
  ~RetiredCovers() {
    if (!keep_.load()) {
      for (const ImageId n : numbers_)
        if (!IsDefaultCover(n)) images::Release(n);
    }
  }
  // For a redraw that never reached the GUI thread: a draw may still hold these
  // numbers, so leaking three images is the safe choice.
  void Keep() { keep_ = true; }

 private:
  std::array<ImageId, 3> numbers_;
  std::atomic<bool> keep_{false};
};

// The three scaled copies under new numbers, or the DefaultCover images.
std::array<ImageId, 3> MakeSlotImages(ImageId decoded) {
  const std::array<ImageId, 3> defaults = {ImageId::DefaultCoverThumb, ImageId::DefaultCoverHover,
                                           ImageId::DefaultCoverLarge};
  const auto source = images::Get(decoded);
  if (!source) return defaults;
  std::array<ImageId, 3> made{};
  for (std::size_t i = 0; i < made.size(); ++i) {
    Image scaled;
    scaled.depth = source->depth;
    scaled.bitmap = ScaleSmooth(source->bitmap, kSlotSizes[i], kSlotSizes[i]);
    made[i] = images::Install(kAllocateImage, std::move(scaled));
    if (made[i] == ImageId::None) {
      for (const ImageId n : made)
        if (n != ImageId::None) images::Release(n);
      return defaults;
    }
  }
  return made;
}

}  // namespace

void InstallCover(ImageId decoded, const std::function<bool(Event)>& post) {
  const std::array<ImageId, 3> next = MakeSlotImages(decoded);
  const std::array<ImageId, 3> old = {ThumbCover.exchange(next[0]), HoverCover.exchange(next[1]),
                                      LargeCover.exchange(next[2])};
  auto retired = std::make_shared<RetiredCovers>(old);
  const bool posted = post(Event{EventClass::Control, Num(WindowId::Main),
                                 Num(ControlId::CoverThumb), event_type::RedrawRequest, retired});
  if (!posted) retired->Keep();
}

}  // namespace sp
