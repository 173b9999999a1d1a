// Shared state of the GTK backend: the native objects behind the program's numbers.
// Only the files in this folder see it.
#pragma once

#include <gtk/gtk.h>

#include <map>

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
// Makes the web view raise the media control events for its pages (see ui.h).
void ReportMediaEvents(GtkWidget* web_view, ControlId control);

}  // namespace sp::gtkui
