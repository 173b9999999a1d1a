// GTK backend: the web view tells the program what its page's audio does (plays,
// pauses, ends, fails, and where it is), whether the program, the desktop or the page's
// own controls caused it. The page itself stays as it is: the host adds a script of its
// own beside it.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/gtk/gtk_state.h"

namespace sp::gtkui {
namespace {

constexpr char kChannel[] = "stationplayerMedia";

// Media events do not bubble, but they do pass the document on their way down, so one
// capturing listener there hears every audio element, whenever it was created. A
// source that cannot be loaded fails on its <source> element, not on the audio element.
// The element pauses on its own as it ends, and then the end is what counts. The
// position goes out at most once a second: it only tells whether the sound still moves.
constexpr char kReportScript[] =
    "(function () {"
    "  var lastPosition = -1;"
    "  var report = function (e) {"
    "    var a = e.target;"
    "    if (a instanceof HTMLSourceElement) a = a.parentElement;"
    "    if (!(a instanceof HTMLMediaElement)) return;"
    "    if (e.type === 'pause' && a.ended) return;"
    "    if (e.type === 'timeupdate') {"
    "      var now = performance.now();"
    "      if (now - lastPosition < 1000) return;"
    "      lastPosition = now;"
    "    }"
    "    window.webkit.messageHandlers.stationplayerMedia.postMessage("
    "        {type: e.type, position: a.currentTime});"
    "  };"
    "  ['play', 'playing', 'pause', 'ended', 'error', 'timeupdate'].forEach(function (type) {"
    "    document.addEventListener(type, report, true);"
    "  });"
    "})();";

void OnMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!value || !jsc_value_is_object(value)) return;
  g_autoptr(JSCValue) type_value = jsc_value_object_get_property(value, "type");
  g_autoptr(JSCValue) position_value = jsc_value_object_get_property(value, "position");
  if (!type_value || !jsc_value_is_string(type_value)) return;
  g_autofree gchar* type = jsc_value_to_string(type_value);
  EventType event;
  std::any payload;
  if (g_str_equal(type, "play")) {
    event = event_type::MediaPlayRequested;
  } else if (g_str_equal(type, "playing")) {
    event = event_type::MediaPlaying;
  } else if (g_str_equal(type, "pause")) {
    event = event_type::MediaPaused;
  } else if (g_str_equal(type, "ended")) {
    event = event_type::MediaEnded;
  } else if (g_str_equal(type, "error")) {
    event = event_type::MediaError;
  } else if (g_str_equal(type, "timeupdate") && position_value &&
             jsc_value_is_number(position_value)) {
    event = event_type::MediaPosition;
    payload = jsc_value_to_double(position_value);
  } else {
    return;
  }
  const ControlId control{GPOINTER_TO_INT(data)};
  if (const ControlState* state = controls::Find(control))
    Raise(Event{EventClass::Control, Num(state->window), Num(control), event, std::move(payload)});
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
