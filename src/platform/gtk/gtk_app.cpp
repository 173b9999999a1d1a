// GTK backend: display, main loop, requests to end from outside, message box, browser
// hand-off.
#include <gio/gio.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>

#include "platform/events.h"
#include "platform/gtk/gtk_state.h"
#include "platform/image_store.h"
#include "platform/startup_steps.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace sp::gtkui {

Backend& State() {
  static Backend backend;
  return backend;
}

}  // namespace sp::gtkui

namespace sp::ui {
namespace {

gboolean DispatchPostedOnce(gpointer) {
  DispatchPosted();
  return G_SOURCE_REMOVE;
}

}  // namespace

bool Init(const std::string& program_class) {
  // The program places its own windows, which only X11 allows; Wayland would
  // ignore every position.
  gdk_set_allowed_backends("x11");
  // Both halves of WM_CLASS name the program, so the launcher's StartupWMClass matches
  // whichever the desktop compares: the instance name comes from the program name,
  // read as the toolkit starts; the class would be that name capitalised, set by the
  // start itself, so it is replaced afterwards (windows are created later).
  if (!program_class.empty()) g_set_prgname(program_class.c_str());
  if (!gtk_init_check(nullptr, nullptr)) return false;
  if (!program_class.empty()) gdk_set_program_class(program_class.c_str());
  auto& state = gtkui::State();
  GdkScreen* screen = gdk_screen_get_default();
  const double resolution = screen ? gdk_screen_get_resolution(screen) : -1;
  if (resolution > 0) state.dpi = Dpi{resolution, resolution};
  // GDK counts in units of this many screen pixels (GDK_SCALE); the program lays out
  // in those units and draws its pictures at the full pixel density.
  if (screen)
    state.pixel_scale =
        std::max(1, gdk_window_get_scale_factor(gdk_screen_get_root_window(screen)));

  // The default control font is the desktop's own interface font.
  gchar* font_name = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-font-name", &font_name, nullptr);
  if (font_name) text::SetDefaultFont(font_name);
  g_free(font_name);

  // Posted events wake the main loop through an idle source; g_idle_add is safe
  // from any thread.
  Posted().SetWake([] { g_idle_add(DispatchPostedOnce, nullptr); });
  return true;
}

const Dpi& ScreenDpi() {
  return gtkui::State().dpi;
}

int PixelScale() {
  return gtkui::State().pixel_scale;
}

std::optional<ScreenLayout> Screens() {
  GdkDisplay* display = gdk_display_get_default();
  const int count = display ? gdk_display_get_n_monitors(display) : 0;
  if (count <= 0) return std::nullopt;
  const Dpi& dpi = gtkui::State().dpi;
  const auto units = [&dpi](const GdkRectangle& r) {
    const std::int64_t x = dpi.ToUnitsX(r.x), y = dpi.ToUnitsY(r.y);
    return Rect{x, y, dpi.ToUnitsX(r.x + r.width) - x, dpi.ToUnitsY(r.y + r.height) - y};
  };
  ScreenLayout layout;
  for (int i = 0; i < count; ++i) {
    GdkRectangle r;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &r);
    layout.monitors.push_back(units(r));
  }
  GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  if (!primary) primary = gdk_display_get_monitor(display, 0);
  GdkRectangle work;
  gdk_monitor_get_workarea(primary, &work);
  layout.primary_work_area = units(work);
  return layout;
}

std::string UserConfigFolder() {
  const gchar* dir = g_get_user_config_dir();
  return dir ? dir : "";
}

namespace {

struct PendingTimer {
  guint source = 0;
  void (*handler)() = nullptr;
};

std::map<std::int64_t, PendingTimer>& Timers() {
  static std::map<std::int64_t, PendingTimer> timers;
  return timers;
}

gboolean OnTimer(gpointer id) {
  auto& timers = Timers();
  const auto it = timers.find(GPOINTER_TO_INT(id));
  if (it == timers.end()) return G_SOURCE_REMOVE;
  void (*handler)() = it->second.handler;
  timers.erase(it);  // the handler may start it again
  handler();
  return G_SOURCE_REMOVE;
}

}  // namespace

void StartTimer(TimerId id, std::chrono::milliseconds delay, void (*handler)()) {
  StopTimer(id);
  const guint ms = guint(std::max<std::chrono::milliseconds::rep>(0, delay.count()));
  Timers()[Num(id)] = {g_timeout_add(ms, OnTimer, GINT_TO_POINTER(int(Num(id)))), handler};
}

void StopTimer(TimerId id) {
  auto& timers = Timers();
  const auto it = timers.find(Num(id));
  if (it == timers.end()) return;
  g_source_remove(it->second.source);
  timers.erase(it);
}

void RunLoop() {
  DispatchPosted();
  gtk_main();
}

void EndProcess() {
  for (auto& [id, native] : gtkui::State().windows) {
    if (native.window) gtk_widget_destroy(native.window);
  }
  gtkui::State().windows.clear();
  gtkui::State().controls.clear();
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_flush(display);
  // _exit: the watcher thread may still be inside a request; running static
  // destructors under it would be unsafe, and there is nothing left to flush.
  _exit(0);
}

namespace {

void (*end_request_handler)() = nullptr;

gboolean OnEndSignal(gpointer) {
  if (end_request_handler) end_request_handler();
  return G_SOURCE_CONTINUE;
}

}  // namespace

void OnEndRequest(void (*handler)()) {
  static bool watching = false;
  end_request_handler = handler;
  if (watching) return;
  watching = true;
  // What a session manager or systemd sends at log-out, a terminal's Ctrl+C and its
  // hang-up. GLib turns each into an event of the main loop, so the handler runs on the
  // GUI thread with nothing else half done, never inside the signal handler itself.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP})
    g_unix_signal_add(signal, OnEndSignal, nullptr);
}

void SetProgramIcon(ImageId image) {
  const auto picture = images::Get(image);
  if (!picture) return;
  const Bitmap& bmp = picture->bitmap;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, bmp.width, bmp.height);
  if (!pixbuf) return;
  guchar* out = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  // Our pixels are premultiplied; a pixbuf's are not.
  for (int y = 0; y < bmp.height; ++y) {
    for (int x = 0; x < bmp.width; ++x) {
      const Pixel p = bmp.At(x, y);
      const int a = picture->depth == 32 ? AlphaOf(p) : 255;
      const Rgb c = RgbOf(p);
      guchar* o = out + y * stride + x * 4;
      o[0] = guchar(a ? c.r * 255 / a : 0);
      o[1] = guchar(a ? c.g * 255 / a : 0);
      o[2] = guchar(a ? c.b * 255 / a : 0);
      o[3] = guchar(a);
    }
  }
  gtk_window_set_default_icon(pixbuf);
  g_object_unref(pixbuf);
}

void ShowMessageBox(const std::string& title, const std::string& text) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

void OpenUrl(const std::string& url) {
  // Asynchronous: the browser may take a while to start and we must not wait.
  g_app_info_launch_default_for_uri_async(url.c_str(), nullptr, nullptr, nullptr, nullptr);
}

void MarkStartupStep([[maybe_unused]] const char* step) {
#ifdef STATIONPLAYER_FAULTS
  // The bench's build: the wall clock, which the bench and the simulator read too.
  if (g_getenv("STATIONPLAYER_TIMELINE"))
    std::fprintf(stderr, "timeline %.6f %s\n", double(g_get_real_time()) / 1e6, step);
#endif
}

}  // namespace sp::ui
