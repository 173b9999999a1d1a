// GTK backend: the embedded web view that plays the stream.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "platform/controls.h"
#include "platform/gtk/gtk_state.h"

namespace sp::ui {

bool CreateWebView(const ControlSpec& desc) {
#ifdef STATIONPLAYER_FAULTS
  if (g_getenv("STATIONPLAYER_FAIL_WEB_VIEW")) return false;
#endif
  if (!gtkui::FindWindow(desc.window)) return false;
  GtkWidget* view = webkit_web_view_new();
  if (!view) return false;
  const Dpi& dpi = gtkui::State().dpi;
  gtk_widget_set_size_request(view, dpi.ToPxX(desc.width), dpi.ToPxY(desc.height));
  // A blank document from the start, so a page can be set at once.
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(view), "", "about:blank");
  controls::Add(desc.id, ControlKind::WebView, desc.window, 0, 0);
  return gtkui::PlaceControl(desc, view);
}

bool SetWebViewHtml(ControlId id, const std::string& html) {
  GtkWidget* view = gtkui::FindControl(id);
  if (!view || !WEBKIT_IS_WEB_VIEW(view)) return false;
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(view), html.c_str(), "about:blank");
  return true;
}

}  // namespace sp::ui
