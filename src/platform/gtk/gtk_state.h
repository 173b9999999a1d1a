// Shared state of the GTK backend: the native objects behind the program's numbers.
// Only the files in this folder see it.
#pragma once

#include <atk/atk.h>
#include <gtk/gtk.h>

#include <map>
#include <string>

#include "platform/geometry.h"
#include "platform/ids.h"
#include "platform/ui.h"

namespace sp::gtkui {

struct NativeWindow {
  GtkWidget* window = nullptr;      // GtkWindow
  GtkWidget* fixed = nullptr;       // GtkFixed holding the controls
  int width_px = 0, height_px = 0;  // client size; controls are clipped to it
  bool minimized = false;
  // Mapped on the screen (not hidden, not iconified). Before the first map a window
  // manager may still be placing the window, so its position means nothing yet.
  bool mapped = false;
  // Where the window is, or goes when shown: GTK forgets the place of a hidden window.
  int x_px = 0, y_px = 0;
};

struct Backend {
  Dpi dpi;
  int pixel_scale = 1;  // device pixels per GDK unit, the same for every window on X11
  std::map<std::int64_t, NativeWindow> windows;
  std::map<std::int64_t, GtkWidget*> controls;
  ui::WindowHook hook = nullptr;
};

Backend& State();
NativeWindow* FindWindow(WindowId id);
GtkWidget* FindControl(ControlId id);
// Places a control widget in its window at unit geometry; false when the window is missing.
bool PlaceControl(const ui::ControlSpec& desc, GtkWidget* widget);
void CallHook(WindowId id, ui::WindowMessage message);
// The strip drag (gtk_window_drag.cpp): remembers a press that may start one, and
// lets a window follow the pointer.
void NotePress(const GdkEventButton* event);
void ConnectWindowDrag(GtkWidget* window, WindowId id);
// Controls as screen readers and the keyboard meet them (gtk_access.cpp): the drawing
// area of a text strip or canvas; its focus frame, drawn over its picture while the
// keyboard has it; the window's watch on that; and a window shown with no control focused.
GtkWidget* NewControlArea(ControlId id);
void DrawFocus(GtkWidget* widget, cairo_t* cr);
void WatchFocus(GtkWidget* window);
void DropInitialFocus(GtkWidget* window);
// A control accessible's text (its name) and the caret it is read from.
struct AccessibleText {
  const std::string& text;
  int& caret;
};
AccessibleText TextOf(gpointer accessible);
// Its text interface, line by line (gtk_access_text.cpp): the text replaced as a
// whole, and the reading keys (arrows, Home, End) moving the caret; false for any
// other key.
void InitAccessibleText(AtkTextIface* iface);
void ReplaceText(AtkObject* accessible, const std::string& before, const std::string& after);
bool MoveReadingCaret(AtkObject* accessible, const GdkEventKey* event);
// News read out whatever has the focus, as a notification of the window
// (gtk_announce.cpp).
void Announce(WindowId window, const std::string& text);
// The keyboard into and out of the web view's page (gtk_page_focus.cpp).
void ConnectPageFocus(GtkWidget* view);
// Makes the web view raise the media control events for its pages (see ui.h).
void ReportMediaEvents(GtkWidget* web_view, ControlId control);

}  // namespace sp::gtkui
