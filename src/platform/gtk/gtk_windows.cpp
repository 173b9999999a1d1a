// GTK backend: the program's borderless windows and the window hook.
#include <gtk/gtk.h>

#include <cmath>
#include <string>

#include "platform/events.h"
#include "platform/gtk/gtk_state.h"
#include "platform/startup_steps.h"
#include "platform/ui.h"

namespace sp::gtkui {
namespace {

WindowId IdOf(gpointer data) {
  return WindowId{GPOINTER_TO_INT(data)};
}

// Under a window manager the configure events before the first map report the
// place of a frame still being set up (often 0, 0); a window is only reported
// while mapped, and once when it maps, where its place is final.
gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer data) {
  NativeWindow* native = FindWindow(IdOf(data));
  if (native && native->mapped) CallHook(IdOf(data), ui::WindowMessage::Move);
  return FALSE;
}

gboolean OnMap(GtkWidget*, GdkEvent*, gpointer data) {
  NativeWindow* native = FindWindow(IdOf(data));
  if (!native) return FALSE;
  native->mapped = true;
  if (IdOf(data) == WindowId::Main) ui::MarkStartupStep("window mapped");
  CallHook(IdOf(data), ui::WindowMessage::Move);
  return FALSE;
}

// Iconified by the window manager, or the echo of our own hide.
gboolean OnUnmap(GtkWidget* widget, GdkEvent*, gpointer data) {
  NativeWindow* native = FindWindow(IdOf(data));
  if (!native) return FALSE;
  // GTK only knows the place of a window it still shows; HideWindow kept the other's.
  if (native->mapped && gtk_widget_get_visible(widget))
    gtk_window_get_position(GTK_WINDOW(widget), &native->x_px, &native->y_px);
  native->mapped = false;
  return FALSE;
}

// While the hook handles a press, the pointer is where the press happened: by the
// time the event is read the pointer may have moved on, out of the drag strip.
struct PressInClient {
  WindowId window = WindowId::None;
  double x = 0, y = 0;  // GDK units, relative to the window's client area
} press_in_client;

gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  // Only a single press counts; the extra double-click event is not a new press.
  if (event->type != GDK_BUTTON_PRESS || event->button != 1) return FALSE;
  // GTK emits a toplevel's button-press-event twice for one press; the hook sees it
  // once. The event is remembered only while it is being dispatched: GDK reuses an
  // event's memory, and two presses can share a millisecond.
  static const GdkEventButton* handling = nullptr;
  if (event == handling) return FALSE;
  handling = event;
  g_idle_add_full(
      G_PRIORITY_HIGH,
      [](gpointer) -> gboolean {
        handling = nullptr;
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
  NotePress(event);
  // The press may have landed on a control's own window inside this one.
  GdkWindow* top = gtk_widget_get_window(widget);
  double x = event->x, y = event->y;
  for (GdkWindow* w = event->window; w && w != top; w = gdk_window_get_parent(w))
    gdk_window_coords_to_parent(w, x, y, &x, &y);
  press_in_client = {IdOf(data), x, y};
  CallHook(IdOf(data), ui::WindowMessage::LeftButtonDown);
  press_in_client = {};
  return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  // A close request never destroys the window; the program decides.
  Raise(Event{EventClass::CloseRequest, Num(IdOf(data)), 0, 0, {}});
  return TRUE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  if (NativeWindow* native = FindWindow(IdOf(data)))
    native->minimized = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  return FALSE;
}

void SetBackground(GtkWidget* window, Rgb colour) {
  GtkCssProvider* css = gtk_css_provider_new();
  const std::string rule = "window { background-color: rgb(" + std::to_string(colour.r) + "," +
                           std::to_string(colour.g) + "," + std::to_string(colour.b) + "); }";
  gtk_css_provider_load_from_data(css, rule.c_str(), -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(window), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

}  // namespace

NativeWindow* FindWindow(WindowId id) {
  auto it = State().windows.find(Num(id));
  return it == State().windows.end() ? nullptr : &it->second;
}

void CallHook(WindowId id, ui::WindowMessage message) {
  if (State().hook) State().hook(id, message);
}

}  // namespace sp::gtkui

namespace sp::ui {

using gtkui::FindWindow;
using gtkui::State;

bool CreateWindow(const WindowSpec& desc) {
  if (desc.id == WindowId::None || FindWindow(desc.id)) return false;
#ifdef STATIONPLAYER_FAULTS
  if (desc.id == WindowId::Main && g_getenv("STATIONPLAYER_FAIL_MAIN_WINDOW")) return false;
#endif
  const Dpi& dpi = State().dpi;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (!window) return false;
  gtk_window_set_title(GTK_WINDOW(window), desc.title.c_str());
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(window, dpi.ToPxX(desc.width), dpi.ToPxY(desc.height));
  gtk_window_move(GTK_WINDOW(window), dpi.ToPxX(desc.x), dpi.ToPxY(desc.y));
  gtkui::SetBackground(window, desc.background);
  // Owned: kept above its owner and iconified with it by the window manager, with
  // no task-bar, pager or switcher entry of its own.
  if (auto* owner = FindWindow(desc.owner)) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(owner->window));
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), TRUE);
    gtk_window_set_skip_pager_hint(GTK_WINDOW(window), TRUE);
  }
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  gtk_widget_show(fixed);

  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_STRUCTURE_MASK);
  gpointer data = GINT_TO_POINTER(int(Num(desc.id)));
  g_signal_connect(window, "configure-event", G_CALLBACK(gtkui::OnConfigure), data);
  g_signal_connect(window, "button-press-event", G_CALLBACK(gtkui::OnButtonPress), data);
  g_signal_connect(window, "delete-event", G_CALLBACK(gtkui::OnDelete), data);
  g_signal_connect(window, "window-state-event", G_CALLBACK(gtkui::OnWindowState), data);
  g_signal_connect(window, "map-event", G_CALLBACK(gtkui::OnMap), data);
  g_signal_connect(window, "unmap-event", G_CALLBACK(gtkui::OnUnmap), data);
  gtkui::ConnectWindowDrag(window, desc.id);
  gtkui::WatchFocus(window);
  gtkui::NativeWindow native;
  native.window = window;
  native.fixed = fixed;
  native.width_px = dpi.ToPxX(desc.width);
  native.height_px = dpi.ToPxY(desc.height);
  native.x_px = dpi.ToPxX(desc.x);
  native.y_px = dpi.ToPxY(desc.y);
  State().windows[Num(desc.id)] = native;
  return true;
}

bool WindowExists(WindowId id) {
  return FindWindow(id) != nullptr;
}

std::string WindowTitle(WindowId id) {
  auto* native = FindWindow(id);
  const char* title = native ? gtk_window_get_title(GTK_WINDOW(native->window)) : nullptr;
  return title ? title : "";
}

void ShowWindow(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return;
  // Back where it was hidden, rather than where a window manager would place it.
  if (!gtk_widget_get_visible(native->window))
    gtk_window_move(GTK_WINDOW(native->window), native->x_px, native->y_px);
  gtk_widget_show(native->window);
  gtkui::DropInitialFocus(native->window);
}

void HideWindow(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return;
  // Read while GTK still knows it: a hidden window reports where it was first placed.
  if (native->mapped)
    gtk_window_get_position(GTK_WINDOW(native->window), &native->x_px, &native->y_px);
  native->mapped = false;
  gtk_widget_hide(native->window);
}

bool IsWindowVisible(WindowId id) {
  auto* native = FindWindow(id);
  return native && gtk_widget_get_visible(native->window);
}

void MinimizeWindow(WindowId id) {
  if (auto* native = FindWindow(id)) gtk_window_iconify(GTK_WINDOW(native->window));
}

bool IsWindowMinimized(WindowId id) {
  auto* native = FindWindow(id);
  return native && native->minimized;
}

void MoveWindow(WindowId id, std::int64_t x, std::int64_t y) {
  auto* native = FindWindow(id);
  if (!native) return;
  const Dpi& dpi = State().dpi;
  native->x_px = dpi.ToPxX(x);
  native->y_px = dpi.ToPxY(y);
  gtk_window_move(GTK_WINDOW(native->window), native->x_px, native->y_px);
}

std::optional<Point> WindowPosition(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return std::nullopt;
  // A mapped window's place is read from the X server; an unmapped one keeps the
  // place it was last seen at or sent to.
  if (native->mapped)
    gtk_window_get_position(GTK_WINDOW(native->window), &native->x_px, &native->y_px);
  const Dpi& dpi = State().dpi;
  return Point{dpi.ToUnitsX(native->x_px), dpi.ToUnitsY(native->y_px)};
}

std::optional<Point> PointerInClient(WindowId id) {
  auto* native = FindWindow(id);
  GdkWindow* gdk_window = native ? gtk_widget_get_window(native->window) : nullptr;
  if (!gdk_window) return std::nullopt;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(gdk_window));
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return std::nullopt;
  double x = 0, y = 0;
  if (gtkui::press_in_client.window == id) {
    x = gtkui::press_in_client.x;
    y = gtkui::press_in_client.y;
  } else {
    gdk_window_get_device_position_double(gdk_window, pointer, &x, &y, nullptr);
  }
  if (x < 0 || y < 0 || x >= gdk_window_get_width(gdk_window) ||
      y >= gdk_window_get_height(gdk_window))
    return std::nullopt;
  // GDK counts in scaled units, with fractions for the pixels between; the drag strip
  // is measured in the screen's pixels.
  const int scale = gdk_window_get_scale_factor(gdk_window);
  return Point{std::int64_t(std::floor(x * scale)), std::int64_t(std::floor(y * scale))};
}

void InstallWindowHook(WindowHook hook) {
  State().hook = hook;
}

void SendWindowMessage(WindowId id, WindowMessage message) {
  gtkui::CallHook(id, message);
}

}  // namespace sp::ui
