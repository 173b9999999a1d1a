// GTK backend: moving a window by its top strip. The program moves the window itself,
// following the pointer, instead of handing it to the window manager: during a
// manager's own move (openbox, for one) the window hears nothing until the button
// is released, so a docked partner could only jump at the end. Each move asked for
// here is reported back by a configure event while the drag goes on.
#include <gtk/gtk.h>

#include "platform/gtk/gtk_state.h"
#include "platform/ui.h"

namespace sp::gtkui {
namespace {

// The press that a hook may turn into a window move.
struct LastPress {
  bool left = false;
  double root_x = 0, root_y = 0;
  guint32 time = 0;
} last_press;

struct Drag {
  WindowId window = WindowId::None;
  double pointer_x = 0, pointer_y = 0;  // where the pointer took hold, root coordinates
  int window_x = 0, window_y = 0;       // where the window was then
  GdkWindow* gdk_window = nullptr;      // whose motion compression is off meanwhile
} drag;

WindowId IdOf(gpointer data) {
  return WindowId{GPOINTER_TO_INT(data)};
}

void EndDrag() {
  if (drag.gdk_window) gdk_window_set_event_compression(drag.gdk_window, TRUE);
  drag = Drag{};
}

// The window's place for the pointer at (root_x, root_y).
void Follow(GtkWidget* widget, double root_x, double root_y) {
  const int x = drag.window_x + int(root_x - drag.pointer_x);
  const int y = drag.window_y + int(root_y - drag.pointer_y);
  if (NativeWindow* native = FindWindow(drag.window)) {
    native->x_px = x;
    native->y_px = y;
  }
  gtk_window_move(GTK_WINDOW(widget), x, y);
}

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
  if (drag.window == WindowId::None || drag.window != IdOf(data)) return FALSE;
  // A release that never reached us (another grab took it) ends the drag too.
  if (!(event->state & GDK_BUTTON1_MASK)) {
    EndDrag();
    return FALSE;
  }
  Follow(widget, event->x_root, event->y_root);
  return TRUE;
}

gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  if (drag.window == WindowId::None || event->button != 1) return FALSE;
  // The release says where the pointer ended, whatever motion went before.
  if (drag.window == IdOf(data)) Follow(widget, event->x_root, event->y_root);
  EndDrag();
  return FALSE;
}

gboolean OnGrabBroken(GtkWidget*, GdkEvent*, gpointer) {
  // Another grab took the pointer (a menu, the window manager): the drag is over.
  EndDrag();
  return FALSE;
}

}  // namespace

void NotePress(const GdkEventButton* event) {
  EndDrag();  // whatever went before, a new press starts afresh
  last_press = {event->button == 1, event->x_root, event->y_root, event->time};
}

void ConnectWindowDrag(GtkWidget* window, WindowId id) {
  gtk_widget_add_events(window, GDK_BUTTON_MOTION_MASK | GDK_BUTTON_RELEASE_MASK);
  gpointer data = GINT_TO_POINTER(int(Num(id)));
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(OnMotion), data);
  g_signal_connect(window, "button-release-event", G_CALLBACK(OnRelease), data);
  g_signal_connect(window, "grab-broken-event", G_CALLBACK(OnGrabBroken), data);
}

}  // namespace sp::gtkui

namespace sp::ui {

void BeginWindowMove(WindowId id) {
  using gtkui::drag;
  using gtkui::last_press;
  auto* native = gtkui::FindWindow(id);
  GdkWindow* gdk_window = native ? gtk_widget_get_window(native->window) : nullptr;
  if (!gdk_window || !last_press.left) return;
  gtkui::EndDrag();
  drag.window = id;
  drag.pointer_x = last_press.root_x;
  drag.pointer_y = last_press.root_y;
  gtk_window_get_position(GTK_WINDOW(native->window), &drag.window_x, &drag.window_y);
  // GDK holds back the latest motion to merge it with the next one; a drag that
  // pauses would leave the window a step behind the pointer.
  gdk_window_set_event_compression(gdk_window, FALSE);
  drag.gdk_window = gdk_window;
  // No grab of our own: the press's implicit grab sends motion and release to this
  // window until the button is let go, and ends in the server with the release, so
  // a click right after the drag is not caught by a grab still being undone.
}

}  // namespace sp::ui
