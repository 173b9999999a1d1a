// GTK backend: bringing a window forward when the desktop asks on the user's behalf.
#include <gtk/gtk.h>

#include "platform/gtk/gtk_state.h"
#include "platform/ui.h"

// Last: X11's headers define None, which the program's own headers use as a name.
#include <gdk/gdkx.h>

namespace sp::ui {

void PresentWindow(WindowId id) {
  auto* native = gtkui::FindWindow(id);
  if (!native) return;
  gtk_window_deiconify(GTK_WINDOW(native->window));
  // The request comes from the desktop (a media key, the sound menu), not from an input
  // event of ours; a fresh server time keeps the window manager's focus-stealing
  // prevention from turning it into a mere hint.
  guint32 time = GDK_CURRENT_TIME;
  GdkWindow* window = gtk_widget_get_window(native->window);
  if (window && GDK_IS_X11_WINDOW(window)) time = gdk_x11_get_server_time(window);
  gtk_window_present_with_time(GTK_WINDOW(native->window), time);
}

}  // namespace sp::ui
