// GTK backend: every text strip and canvas is a drawing area that shows the
// control's picture; canvases also report pointer input.
#include <cairo.h>
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/backend.h"
#include "platform/gtk/gtk_state.h"
#include "platform/mouse.h"

namespace sp::gtkui {
namespace {

ControlId IdOf(gpointer data) {
  return ControlId{GPOINTER_TO_INT(data)};
}

gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
  ControlState* state = controls::Find(IdOf(data));
  if (!state || state->picture.width == 0 || state->picture.height == 0) return FALSE;
  Bitmap& bmp = state->picture;
  // The picture's pixels are cairo's ARGB32 already.
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(bmp.pixels.data()), CAIRO_FORMAT_ARGB32, bmp.width,
      bmp.height, bmp.width * 4);
  // The picture holds the screen's pixels: one picture pixel to one screen pixel, so
  // nothing is filtered and the edges stay whole.
  cairo_surface_set_device_scale(surface, state->scale, state->scale);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(surface);
  DrawFocus(widget, cr);
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion*, gpointer data) {
  mouse::PointerMoved(IdOf(data));
  return TRUE;
}

gboolean OnEnter(GtkWidget*, GdkEventCrossing*, gpointer data) {
  mouse::PointerMoved(IdOf(data));
  return TRUE;
}

gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  if (event->detail != GDK_NOTIFY_INFERIOR) mouse::PointerLeft(IdOf(data));
  return TRUE;
}

gboolean OnPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  // Each physical press arrives as GDK_BUTTON_PRESS; the extra 2BUTTON event of a
  // double click is not another press.
  if (event->button == 1 && event->type == GDK_BUTTON_PRESS) mouse::LeftPressed(IdOf(data));
  return TRUE;  // a canvas takes its presses; they don't reach the window
}

gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  if (event->button != 1) return TRUE;
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  const bool over = event->x >= 0 && event->y >= 0 && event->x < a.width && event->y < a.height;
  mouse::LeftReleased(IdOf(data), over);
  return TRUE;
}

}  // namespace

GtkWidget* FindControl(ControlId id) {
  auto it = State().controls.find(Num(id));
  return it == State().controls.end() ? nullptr : it->second;
}

bool PlaceControl(const ui::ControlSpec& desc, GtkWidget* widget) {
  NativeWindow* window = FindWindow(desc.window);
  if (!window) return false;
  if (GtkWidget* old = FindControl(desc.id)) gtk_widget_destroy(old);
  const Dpi& dpi = State().dpi;
  const int x = dpi.ToPxX(desc.x), y = dpi.ToPxY(desc.y);
  // A control reaching past the client area is cut at its edge instead of growing
  // the window (the left and right borders are one pixel too tall).
  int w = 0, h = 0;
  gtk_widget_get_size_request(widget, &w, &h);
  gtk_widget_set_size_request(widget, std::max(0, std::min(w, window->width_px - x)),
                              std::max(0, std::min(h, window->height_px - y)));
  gtk_fixed_put(GTK_FIXED(window->fixed), widget, x, y);
  State().controls[Num(desc.id)] = widget;
  gtk_widget_show(widget);
  return true;
}

}  // namespace sp::gtkui

namespace sp::backend {

bool AddControlWidget(const ui::ControlSpec& desc, ControlKind kind, int width_px, int height_px) {
  if (!gtkui::FindWindow(desc.window)) return false;
  GtkWidget* area = gtkui::NewControlArea(desc.id);
  gtk_widget_set_size_request(area, width_px, height_px);
  gpointer data = GINT_TO_POINTER(int(Num(desc.id)));
  g_signal_connect(area, "draw", G_CALLBACK(gtkui::OnDraw), data);
  if (kind == ControlKind::Canvas) {
    gtk_widget_add_events(area, GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                                    GDK_LEAVE_NOTIFY_MASK | GDK_BUTTON_PRESS_MASK |
                                    GDK_BUTTON_RELEASE_MASK);
    g_signal_connect(area, "motion-notify-event", G_CALLBACK(gtkui::OnMotion), data);
    g_signal_connect(area, "enter-notify-event", G_CALLBACK(gtkui::OnEnter), data);
    g_signal_connect(area, "leave-notify-event", G_CALLBACK(gtkui::OnLeave), data);
    g_signal_connect(area, "button-press-event", G_CALLBACK(gtkui::OnPress), data);
    g_signal_connect(area, "button-release-event", G_CALLBACK(gtkui::OnRelease), data);
  }
  return gtkui::PlaceControl(desc, area);
}

}  // namespace sp::backend

namespace sp::ui {

void Repaint(ControlId id) {
  if (GtkWidget* widget = gtkui::FindControl(id)) gtk_widget_queue_draw(widget);
}

}  // namespace sp::ui
