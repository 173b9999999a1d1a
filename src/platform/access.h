// How a control presents itself to assistive technology (screen readers) and to the
// keyboard: what it is, what it is called, whether Tab reaches it, and what is news
// to be read out. The program describes its controls and windows here; each backend
// hands that to its platform's interface.
// GUI thread only.
#pragma once

#include <string>
#include <utility>

#include "platform/ids.h"

namespace sp {

enum class AccessRole {
  Unknown,     // not described: the backend's default (the web view keeps its own)
  Decoration,  // only drawn; hidden from assistive technology
  Label,       // text to be read
  PushButton,
  ToggleButton,
};

struct AccessInfo {
  AccessRole role = AccessRole::Unknown;
  // A label's text. A text strip described as a label with no name reads its own text.
  std::string name;
  std::string description;
  bool checked = false;  // toggle buttons
  // Read out once, whatever has the focus, when it changes (a new song); empty:
  // nothing is announced, and the text is read only when asked (the countdown).
  std::string announcement;
  bool focusable = false;                   // in its window's Tab order (in the order described)
  ControlId labelled_by = ControlId::None;  // the label that names it, read with it

  friend bool operator==(const AccessInfo&, const AccessInfo&) = default;
};

inline bool Pressable(AccessRole role) {
  return role == AccessRole::PushButton || role == AccessRole::ToggleButton;
}

namespace a11y {

// Buttons are reached with Tab.
inline AccessInfo PushButton(std::string name, std::string description = {}) {
  AccessInfo info;
  info.role = AccessRole::PushButton;
  info.name = std::move(name);
  info.description = std::move(description);
  info.focusable = true;
  return info;
}
inline AccessInfo ToggleButton(std::string name, bool checked) {
  AccessInfo info = PushButton(std::move(name));
  info.role = AccessRole::ToggleButton;
  info.checked = checked;
  return info;
}
inline AccessInfo Label(std::string text = {}) {
  AccessInfo info;
  info.role = AccessRole::Label;
  info.name = std::move(text);
  return info;
}
// A label Tab reaches, read line by line, whose news is announced as it comes.
inline AccessInfo ReadingStop(std::string text, std::string announcement = {}) {
  AccessInfo info = Label(std::move(text));
  info.announcement = std::move(announcement);
  info.focusable = true;
  return info;
}
inline AccessInfo Decoration() {
  AccessInfo info;
  info.role = AccessRole::Decoration;
  return info;
}
// A control that speaks for itself (the web view), in the Tab order.
inline AccessInfo TabStop() {
  AccessInfo info;
  info.focusable = true;
  return info;
}

}  // namespace a11y

namespace ui {

// Describes a control, replacing what was said before. Pressing a button through
// assistive technology or the keyboard is a click of the left button (mouse::Click).
void DescribeControl(ControlId id, const AccessInfo& info);
// What was said, with a label's text filled in; nothing for an undescribed control.
const AccessInfo* ControlDescription(ControlId id);
// The name assistive technology gives a window, where its title (empty, or none the
// desktop shows) says too little. Replaces what was said before.
void DescribeWindow(WindowId id, const std::string& name);

}  // namespace ui
}  // namespace sp
