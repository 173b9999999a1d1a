// The small fixed numbers by which windows, controls, fonts and images are known,
// and the event classes and types. Typed so that one kind cannot stand in for another.
#pragma once

#include <cstdint>

namespace sp {

enum class WindowId : std::int64_t { None = 0, Main = 1, Cover = 2 };

enum class ControlId : std::int64_t {
  None = 0,
  TitleText = 1,
  SubscribeButton = 2,
  MinimizeButton = 3,
  TitleGap = 4,
  CloseButton = 5,
  BorderBottom = 6,
  BorderLeft = 7,
  BorderRight = 8,
  CoverThumb = 9,
  DockToggle = 10,
  NowPlayingPanel = 11,
  TimeLeftLabel = 12,
  TimeLeftValue = 13,
  PlayerView = 14,
  CoverCaption = 15,
  CoverPicture = 16,
};

enum class FontId : std::int64_t {
  Default = 0,  // the system's message font
  UiSmall = 1,
  UiMedium = 2,
  UiLarge = 4,
  Button = 5,
};

enum class ImageId : std::int64_t {
  None = 0,
  DefaultCoverLarge = 1,
  DefaultCoverThumb = 2,
  DefaultCoverHover = 3,
  DockedIcon = 4,
  UndockedIcon = 5,
};

// One-shot timers of the GUI thread.
enum class TimerId : std::int64_t { StreamKeeper = 1 };

// Passed instead of a number to have the store allocate one.
inline constexpr ImageId kAllocateImage{-1};
inline constexpr FontId kAllocateFont{-1};

enum class EventClass : std::int64_t {
  Control = 13100,
  CloseRequest = 13116,
  App = 0x10000,
};

// Stored as a plain number: bind() takes -1 for "any", and unknown types still route.
using EventType = std::int64_t;
namespace event_type {
inline constexpr EventType LeftClick = 0;
inline constexpr EventType RedrawRequest = 768;
inline constexpr EventType MouseEnter = 65537;
inline constexpr EventType MouseLeave = 65538;
inline constexpr EventType MouseMove = 65539;
inline constexpr EventType LeftButtonDown = 65540;
inline constexpr EventType TimeLeft = 0x40000;
inline constexpr EventType CoverCaption = 0x40001;
// Raised by a web view about its page's audio, whoever caused it: the sound flows, it was
// paused (not by ending), it ended, it failed (the element or its source), it was asked
// to play, and now and then where it is (data: the position in seconds, a double).
inline constexpr EventType MediaPlaying = 0x40100;
inline constexpr EventType MediaPaused = 0x40101;
inline constexpr EventType MediaEnded = 0x40102;
inline constexpr EventType MediaError = 0x40103;
inline constexpr EventType MediaPlayRequested = 0x40104;
inline constexpr EventType MediaPosition = 0x40105;
}  // namespace event_type

inline constexpr std::int64_t kAny = -1;

constexpr std::int64_t Num(WindowId v) {
  return static_cast<std::int64_t>(v);
}
constexpr std::int64_t Num(ControlId v) {
  return static_cast<std::int64_t>(v);
}
constexpr std::int64_t Num(FontId v) {
  return static_cast<std::int64_t>(v);
}
constexpr std::int64_t Num(ImageId v) {
  return static_cast<std::int64_t>(v);
}
constexpr std::int64_t Num(TimerId v) {
  return static_cast<std::int64_t>(v);
}
constexpr std::int64_t Num(EventClass v) {
  return static_cast<std::int64_t>(v);
}

}  // namespace sp
