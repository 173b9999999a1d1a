// Picture decoding and encoding through the Windows Imaging Component, into and out of
// the program's premultiplied ARGB32 images. Safe on any thread.
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>

#include "platform/picture_format.h"
#include "platform/pictures.h"
#include "platform/win32/win32_state.h"

namespace sp::pictures {
namespace {

// COM for this thread while one call runs; a thread that has it already keeps it.
struct ComScope {
  bool ours = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  ComScope() = default;
  ~ComScope() {
    if (ours) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

template <typename T>
struct Com {
  T* p = nullptr;
  Com() = default;
  ~Com() {
    if (p) p->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p; }
  T** out() { return &p; }
};

bool Factory(Com<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.out())));
}

// Only the formats covers come in; the rest of the system's codecs never see data
// from outside.
bool Wanted(Kind kind) {
  return kind == Kind::Png || kind == Kind::Jpeg || kind == Kind::Gif || kind == Kind::Bmp;
}

// PNG and JPEG decoders fill the rows of data cut short; such data must reach its end
// marker. GIF and BMP decoders refuse cut data themselves.
bool Complete(Kind kind, std::span<const std::uint8_t> data) {
  if (kind == Kind::Png) return PngReachesEnd(data);
  if (kind == Kind::Jpeg) return JpegReachesEnd(data);
  return true;
}

}  // namespace

std::optional<Image> Decode(std::span<const std::uint8_t> data, int depth) {
  const Kind kind = Sniff(data);
  if (!Wanted(kind) || !Complete(kind, data) || data.size() > 0xFFFFFFFFu) return std::nullopt;
  ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICBitmapSource> converted;
  if (!Factory(factory) || FAILED(factory->CreateStream(stream.out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data.data()), DWORD(data.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.out())) ||
      FAILED(decoder->GetFrame(0, frame.out())))
    return std::nullopt;
  UINT w = 0, h = 0;
  // Checked before any pixel is allocated.
  if (FAILED(frame->GetSize(&w, &h)) || !ImageSizeAllowed(w, h)) return std::nullopt;
  // Premultiplied BGRA is the program's 0xAARRGGBB in memory.
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.p, converted.out())))
    return std::nullopt;
  Image image;
  image.depth = depth == 32 ? 32 : 24;
  image.bitmap = Bitmap(int(w), int(h), 0);
  if (FAILED(converted->CopyPixels(nullptr, w * 4, UINT(image.bitmap.pixels.size() * 4),
                                   reinterpret_cast<BYTE*>(image.bitmap.pixels.data()))))
    return std::nullopt;
  // At depth 24 the alpha is dropped: the colour stays as if over black.
  if (image.depth == 24)
    for (Pixel& p : image.bitmap.pixels) p |= 0xFF000000u;
  return image;
}

std::optional<Image> DecodeFile(const std::string& path, int depth) {
  // Opened without following a link and without waiting on anything but a file.
  HANDLE file =
      CreateFileW(win32ui::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> data;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
      !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
      info.nFileSizeHigh == 0 && info.nFileSizeLow <= kMaxPictureFileBytes) {
    data.emplace(info.nFileSizeLow);
    DWORD got = 0;
    if (!data->empty() &&
        (!ReadFile(file, data->data(), DWORD(data->size()), &got, nullptr) || got != data->size()))
      data.reset();
  }
  CloseHandle(file);
  if (!data) return std::nullopt;
  return Decode(*data, depth);
}

std::optional<std::vector<std::uint8_t>> Encode(const Image& image, Format format) {
  const int w = image.width(), h = image.height();
  if (w <= 0 || h <= 0 || image.bitmap.pixels.size() != std::size_t(w) * h) return std::nullopt;
  const bool alpha = image.depth == 32 && format == Format::Png;
  // Straight (not premultiplied) BGRA, opaque unless the PNG keeps the alpha.
  std::vector<Pixel> pixels(image.bitmap.pixels.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const Pixel p = image.bitmap.pixels[i];
    const std::uint32_t a = alpha ? AlphaOf(p) : 255;
    const Rgb c = RgbOf(p);
    const auto straight = [a](std::uint32_t v) {
      return a == 0 ? 0u : std::min<std::uint32_t>(255, (v * 255 + a / 2) / a);
    };
    pixels[i] = (a << 24) | (straight(c.r) << 16) | (straight(c.g) << 8) | straight(c.b);
  }
  ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IStream> stream;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  Com<IWICBitmap> source;
  if (!Factory(factory) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) ||
      FAILED(factory->CreateEncoder(
          format == Format::Png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg, nullptr,
          encoder.out())) ||
      FAILED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.out(), options.out())))
    return std::nullopt;
  if (format == Format::Jpeg) {
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = 0.9f;
    options->Write(1, &name, &value);
  }
  WICPixelFormatGUID pixel_format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(factory->CreateBitmapFromMemory(
          UINT(w), UINT(h), GUID_WICPixelFormat32bppBGRA, UINT(w) * 4, UINT(pixels.size() * 4),
          reinterpret_cast<BYTE*>(pixels.data()), source.out())) ||
      FAILED(frame->Initialize(options.p)) || FAILED(frame->SetSize(UINT(w), UINT(h))) ||
      FAILED(frame->SetPixelFormat(&pixel_format)) ||
      FAILED(frame->WriteSource(source.p, nullptr)) || FAILED(frame->Commit()) ||
      FAILED(encoder->Commit()))
    return std::nullopt;
  HGLOBAL memory = nullptr;
  if (FAILED(GetHGlobalFromStream(stream.p, &memory))) return std::nullopt;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(memory));
  if (!bytes) return std::nullopt;
  std::vector<std::uint8_t> out(bytes, bytes + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
  return out;
}

}  // namespace sp::pictures
