// Loaded by the web engine into its page process (a web process extension): the page's
// audio stream is fetched there by GStreamer's own HTTP source rather than through the
// engine's network process. By the engine's path every block of the stream crosses two
// process boundaries (network process, page process, and a note of it to the program),
// which cost more CPU than decoding and playing it; the page, its element and its events
// stay as they were.
#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>
#include <webkit2/webkit-web-extension.h>

namespace {

// The engine's own source for web addresses has rank PRIMARY + 100; one above takes
// every http and https address the page's media elements load.
constexpr guint kRank = GST_RANK_PRIMARY + 101;

gchar* user_agent = nullptr;  // the view's, so the station sees the same client as before
void (*parent_constructed)(GObject*) = nullptr;
GstFlowReturn (*parent_create)(GstPushSrc*, GstBuffer**) = nullptr;

void Constructed(GObject* object) {
  if (parent_constructed) parent_constructed(object);
  if (user_agent && *user_agent) g_object_set(object, "user-agent", user_agent, nullptr);
  // The player page's own keeper decides when to connect again, as it did with the
  // engine's source: a source that reconnects by itself would hide a drop from it.
  g_object_set(object, "retries", 0, nullptr);
}

// A live stream has no length, and when its connection closes the sound has stopped: the
// engine's own source reports that as a failed load, and the page's keeper acts on the
// element's error at once. Passed on as the end of a file, it would only be noticed as a
// stall. A stream of known length still ends as a file does.
GstFlowReturn Create(GstPushSrc* source, GstBuffer** buffer) {
  const GstFlowReturn flow = parent_create(source, buffer);
  if (flow != GST_FLOW_EOS || GST_BASE_SRC(source)->segment.duration != guint64(-1)) return flow;
  // What is still queued after the source goes too, so the sound stops with the
  // connection, as it does with the engine's source, rather than playing on for a second.
  GstPad* pad = GST_BASE_SRC_PAD(source);
  gst_pad_push_event(pad, gst_event_new_flush_start());
  gst_pad_push_event(pad, gst_event_new_flush_stop(TRUE));
  GST_ELEMENT_ERROR(source, RESOURCE, READ, ("The stream's connection closed"), (nullptr));
  return GST_FLOW_ERROR;
}

void ClassInit(gpointer klass, gpointer) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  parent_constructed = object_class->constructed;
  object_class->constructed = Constructed;
  GstPushSrcClass* push_class = GST_PUSH_SRC_CLASS(klass);
  parent_create = push_class->create;
  push_class->create = Create;
}

// GStreamer's HTTP source with the view's User-Agent, registered above the engine's.
void RegisterStreamSource() {
  g_autoptr(GstElementFactory) factory = gst_element_factory_find("souphttpsrc");
  if (!factory) return;  // no such plugin: the engine's source plays as before
  g_autoptr(GstPluginFeature) loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory));
  if (!loaded) return;
  const GType parent = gst_element_factory_get_element_type(GST_ELEMENT_FACTORY(loaded));
  GTypeQuery query;
  g_type_query(parent, &query);
  if (query.type == 0 || query.class_size > G_MAXUINT16 || query.instance_size > G_MAXUINT16)
    return;
  GTypeInfo info{};
  info.class_size = guint16(query.class_size);
  info.class_init = ClassInit;
  info.instance_size = guint16(query.instance_size);
  const GType type =
      g_type_register_static(parent, "StationplayerStreamSource", &info, GTypeFlags(0));
  gst_element_register(nullptr, "stationplayerstreamsource", kRank, type);
}

// On a thread of its own: loading GStreamer's plugin registry takes a few hundred
// milliseconds, which the web process would otherwise spend before its first document.
gpointer StartGStreamer(gpointer) {
  // The engine starts GStreamer only with the first media element, and then waits for
  // this to finish; the source is registered right after, before the page's pipeline
  // asks for one. Should the page be faster, the engine's own source plays it.
  if (gst_init_check(nullptr, nullptr, nullptr)) RegisterStreamSource();
  return nullptr;
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension*, const GVariant* data) {
  if (data && g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE_STRING))
    user_agent = g_variant_dup_string(const_cast<GVariant*>(data), nullptr);
  g_thread_unref(g_thread_new("stream-source", StartGStreamer, nullptr));
}
