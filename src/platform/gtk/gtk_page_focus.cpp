// GTK backend: the keyboard into and out of the player page. GTK's Tab first stops
// on the web view itself, where nothing of the page has the focus and a screen reader
// finds nothing to say ("grayed"). And the engine answers every key some time after
// it arrives: one the page did not use comes back (an echo) to the window, and the
// view takes the next key it sees for that echo and passes it by. A Tab that leaves the
// page therefore moved twice (the engine hands the focus back to the window, then the
// echo is one more Tab), and its echoes, no longer reaching the view, left it to lose
// the next key it was given.
#include <atk/atk.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <deque>
#include <memory>

#include "platform/gtk/gtk_state.h"

namespace sp::gtkui {
namespace {

struct EventFree {
  void operator()(GdkEvent* event) const { gdk_event_free(event); }
};

// The keys the view passed to the page that have not come back: a second arrival of
// one is its echo. Others may arrive in between (Shift's echo, a release), and keys
// the page used never come back, so the last few are kept. One player page, one record.
struct KeySeen {
  GdkEventType type;
  guint32 time;
  guint keyval;
  friend bool operator==(const KeySeen&, const KeySeen&) = default;
};
std::deque<KeySeen> keys_out;

KeySeen Seen(const GdkEventKey* event) {
  return {event->type, event->time, event->keyval};
}

// Forgets the key and says whether it was out, that is whether this is its echo.
bool TakeEcho(const GdkEventKey* event) {
  const auto it = std::find(keys_out.begin(), keys_out.end(), Seen(event));
  if (it == keys_out.end()) return false;
  keys_out.erase(it);
  return true;
}

// Presses and releases Tab (backward: Shift+Tab) in the page, as the user would.
void SendTab(GtkWidget* view, bool backward) {
  GdkWindow* window = gtk_widget_get_window(view);
  if (!window || !gtk_widget_has_focus(view)) return;
  GdkDisplay* display = gdk_window_get_display(window);
  GdkSeat* seat = gdk_display_get_default_seat(display);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  guint16 keycode = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), GDK_KEY_Tab, &keys,
                                        &count) &&
      count > 0)
    keycode = guint16(keys[0].keycode);
  g_free(keys);
  for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    std::unique_ptr<GdkEvent, EventFree> event(gdk_event_new(type));
    GdkEventKey& key = event->key;
    key.window = GDK_WINDOW(g_object_ref(window));
    key.send_event = TRUE;
    key.time = gtk_get_current_event_time();
    key.state = backward ? GDK_SHIFT_MASK : 0;
    key.keyval = backward ? GDK_KEY_ISO_Left_Tab : GDK_KEY_Tab;
    key.hardware_keycode = keycode;
    key.string = g_strdup("");
    if (GdkDevice* keyboard = seat ? gdk_seat_get_keyboard(seat) : nullptr)
      gdk_event_set_device(event.get(), keyboard);
    gtk_widget_event(view, event.get());
  }
}

gboolean SendTabForward(gpointer view) {
  SendTab(GTK_WIDGET(view), false);
  g_object_unref(view);
  return G_SOURCE_REMOVE;
}

gboolean SendTabBackward(gpointer view) {
  SendTab(GTK_WIDGET(view), true);
  g_object_unref(view);
  return G_SOURCE_REMOVE;
}

// GTK's Tab arriving at the view from the program's controls: the view takes the focus
// and passes the Tab on, so the page's first control (last, going back) gets it at once.
gboolean OnViewFocus(GtkWidget* view, GtkDirectionType direction, gpointer) {
  if (gtk_widget_has_focus(view) || !gtk_widget_get_can_focus(view)) return FALSE;
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) return FALSE;
  gtk_widget_grab_focus(view);
  // Once the engine has seen the focus arrive.
  g_idle_add(direction == GTK_DIR_TAB_FORWARD ? SendTabForward : SendTabBackward,
             g_object_ref(view));
  return TRUE;
}

gboolean OnViewKey(GtkWidget*, GdkEventKey* event, gpointer) {
  if (!TakeEcho(event)) {
    keys_out.push_back(Seen(event));
    if (keys_out.size() > 8) keys_out.pop_front();
  }
  return FALSE;
}

// An echo arriving after the focus has left the view goes back to the view, which
// expects it and lets it by, and no further: the window would take it as a new key.
gboolean OnWindowKey(GtkWidget* window, GdkEventKey* event, gpointer view) {
  if (gtk_window_get_focus(GTK_WINDOW(window)) == view) return FALSE;
  if (std::find(keys_out.begin(), keys_out.end(), Seen(event)) == keys_out.end()) return FALSE;
  gtk_widget_event(GTK_WIDGET(view), reinterpret_cast<GdkEvent*>(event));
  return TRUE;
}

}  // namespace

void ConnectPageFocus(GtkWidget* view) {
  if (g_object_get_data(G_OBJECT(view), "sp-page-focus")) return;
  GtkWidget* window = gtk_widget_get_toplevel(view);
  if (!GTK_IS_WINDOW(window)) return;
  g_object_set_data(G_OBJECT(view), "sp-page-focus", view);
  // GTK tells screen readers of no focus on a redundant object: the page's own
  // controls are what the focus is reported on.
  if (AtkObject* accessible = gtk_widget_get_accessible(view))
    atk_object_set_role(accessible, ATK_ROLE_REDUNDANT_OBJECT);
  g_signal_connect(view, "focus", G_CALLBACK(OnViewFocus), nullptr);
  for (const char* signal : {"key-press-event", "key-release-event"}) {
    // Before the engine's own handler, which takes every key.
    g_signal_connect(view, signal, G_CALLBACK(OnViewKey), nullptr);
    g_signal_connect(window, signal, G_CALLBACK(OnWindowKey), view);
  }
}

}  // namespace sp::gtkui
