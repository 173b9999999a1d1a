// GTK backend: the web view tells the program when its page's audio plays, pauses or
// ends, whether the program, the desktop or the page's own controls caused it. The page
// itself stays as it is: the host adds a script of its own beside it.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/gtk/gtk_state.h"

namespace sp::gtkui {
namespace {

constexpr char kChannel[] = "stationplayerMedia";

// Media events do not bubble, but they do pass the document on their way down, so one
// capturing listener there hears every audio element, whenever it was created.
constexpr char kReportScript[] =
    "(function () {"
    "  var report = function (e) {"
    "    if (e.target instanceof HTMLMediaElement)"
    "      window.webkit.messageHandlers.stationplayerMedia.postMessage(e.type);"
    "  };"
    "  ['play', 'playing', 'pause', 'ended'].forEach(function (type) {"
    "    document.addEventListener(type, report, true);"
    "  });"
    "})();";

void OnMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!value || !jsc_value_is_string(value)) return;
  g_autofree gchar* type = jsc_value_to_string(value);
  EventType event;
  if (g_str_equal(type, "play") || g_str_equal(type, "playing")) {
    event = event_type::MediaPlaying;
  } else if (g_str_equal(type, "pause")) {
    event = event_type::MediaPaused;
  } else if (g_str_equal(type, "ended")) {
    event = event_type::MediaEnded;
  } else {
    return;
  }
  const ControlId control{GPOINTER_TO_INT(data)};
  if (const ControlState* state = controls::Find(control))
    Raise(Event{EventClass::Control, Num(state->window), Num(control), event, {}});
}

}  // namespace

void ReportMediaEvents(GtkWidget* web_view, ControlId control) {
  WebKitUserContentManager* content =
      webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(web_view));
  if (!content || !webkit_user_content_manager_register_script_message_handler(content, kChannel))
    return;
  g_autoptr(WebKitUserScript) script =
      webkit_user_script_new(kReportScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  g_signal_connect(content, "script-message-received::stationplayerMedia", G_CALLBACK(OnMessage),
                   GINT_TO_POINTER(int(Num(control))));
}

}  // namespace sp::gtkui
