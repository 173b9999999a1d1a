#include "platform/image_store.h"

#include <map>
#include <mutex>
#include <utility>

namespace sp {
namespace {

// Allocated numbers start well above the fixed ones and are never reused, so a
// number freed on one thread can't come back meaning something else on another.
constexpr std::int64_t kFirstAllocated = 1000;

struct Store {
  std::mutex mutex;  // guards table and next
  std::map<std::int64_t, std::shared_ptr<Image>> table;
  std::int64_t next = kFirstAllocated;
};

Store& TheStore() {
  static Store store;
  return store;
}

ImageId Put(ImageId n, std::shared_ptr<Image> image) {
  Store& s = TheStore();
  std::shared_ptr<Image> old;  // released outside the lock
  std::lock_guard lock(s.mutex);
  std::int64_t key = Num(n);
  if (key == Num(kAllocateImage)) {
    key = s.next++;
  } else if (key <= 0) {
    return ImageId::None;
  }
  auto& slot = s.table[key];
  old = std::exchange(slot, std::move(image));
  return ImageId{key};
}

}  // namespace

namespace images {

ImageId Create(ImageId n, int width, int height, int depth) {
  if (!ImageSizeAllowed(width, height)) return ImageId::None;
  auto image = std::make_shared<Image>();
  image->depth = depth == 32 ? 32 : 24;
  image->bitmap = Bitmap(width, height, OpaquePixel({0, 0, 0}));
  return Put(n, std::move(image));
}

ImageId Install(ImageId n, Image image) {
  if (!ImageSizeAllowed(image.width(), image.height())) return ImageId::None;
  if (image.bitmap.pixels.size() != std::size_t(image.width()) * image.height())
    return ImageId::None;
  return Put(n, std::make_shared<Image>(std::move(image)));
}

bool Exists(ImageId n) {
  return Get(n) != nullptr;
}

void Release(ImageId n) {
  Store& s = TheStore();
  std::shared_ptr<Image> old;
  std::lock_guard lock(s.mutex);
  auto it = s.table.find(Num(n));
  if (it == s.table.end()) return;
  old = std::move(it->second);
  s.table.erase(it);
}

void ReleaseAll() {
  Store& s = TheStore();
  std::map<std::int64_t, std::shared_ptr<Image>> old;
  std::lock_guard lock(s.mutex);
  old.swap(s.table);
}

ImageId Copy(ImageId source, ImageId target) {
  auto src = Get(source);
  if (!src) return ImageId::None;
  return Put(target, std::make_shared<Image>(*src));
}

bool Scale(ImageId n, int width, int height, bool smooth) {
  auto src = Get(n);
  if (!src) return false;
  if (width == kKeepDimension) width = src->width();
  if (height == kKeepDimension) height = src->height();
  if (width == src->width() && height == src->height()) return true;
  if (!ImageSizeAllowed(width, height)) return false;
  auto scaled = std::make_shared<Image>();
  scaled->depth = src->depth;
  scaled->density = src->density;
  // The program always asks for smooth scaling; there is no other filter.
  (void)smooth;
  scaled->bitmap = ScaleSmooth(src->bitmap, width, height);
  // Replace only if n still names the image we scaled.
  Store& s = TheStore();
  std::shared_ptr<Image> old;
  std::lock_guard lock(s.mutex);
  auto it = s.table.find(Num(n));
  if (it == s.table.end() || it->second != src) return false;
  old = std::exchange(it->second, std::move(scaled));
  return true;
}

std::shared_ptr<const Image> Get(ImageId n) {
  return GetMutable(n);
}

std::shared_ptr<Image> GetMutable(ImageId n) {
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  auto it = s.table.find(Num(n));
  return it == s.table.end() ? nullptr : it->second;
}

int Width(ImageId n) {
  auto image = Get(n);
  return image ? image->width() : 0;
}

int Height(ImageId n) {
  auto image = Get(n);
  return image ? image->height() : 0;
}

std::vector<ImageId> Numbers() {
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  std::vector<ImageId> numbers;
  for (const auto& [key, image] : s.table) numbers.push_back(ImageId{key});
  return numbers;
}

}  // namespace images
}  // namespace sp
