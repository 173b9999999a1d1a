// GTK backend: the embedded web view (WebKitGTK) from which the player page plays
// the stream, with the settings that page needs and the ones that make it lighter.
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <malloc.h>
#include <sys/stat.h>
#include <webkit2/webkit2.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/controls.h"
#include "platform/gtk/gtk_state.h"
#include "platform/linux/engine_bus.h"
#include "platform/startup_steps.h"

namespace sp::gtkui {
namespace {

// How long creation waits for the blank document. WebKit starts its helper processes
// on the first load, which takes well under a second here.
guint BlankDocumentWaitMs() {
#ifdef STATIONPLAYER_FAULTS
  // The test build can make the wait run out.
  if (const char* ms = g_getenv("STATIONPLAYER_WEB_VIEW_BLANK_WAIT_MS"))
    return guint(g_ascii_strtoull(ms, nullptr, 10));
#endif
  return 5000;
}

// The viewport never scrolls: the page is taller than the view (the body keeps a
// bottom margin), and WebKit ignores the body's scroll=no attribute, so without this
// an overlay scroll bar shows on hover and the wheel shifts the controls.
constexpr char kNoScrollBars[] = "html { overflow: hidden !important; }";

// Settings that could make the web view lighter without changing what the page does.
// The program keeps those that earned their place in bench/webview_weight.sh; the test
// build can toggle any of them (a comma-separated list of names) so the benchmark can
// measure each one again. Figures: summed over the program and its helpers, playing.
struct Tuning {
  bool software_rendering = true;  // no GL compositing: saves about 60 MiB
  bool ephemeral = true;           // nothing of WebKit's own lands on disk
  // The helpers use the C library's allocator (about 4 MiB, and its scavenger's wake-ups
  // go) and MP3 is decoded by libmpg123 rather than through libav (half the decoding
  // CPU): together about a fifth of the CPU.
  bool system_malloc = true;
  bool mpg123_decoder = true;
  // JavaScript only interpreted: the page's script and its controls' run a few times a
  // second, so no CPU measurably lost; about 8 MiB and the compiler threads saved.
  bool jit_off = true;
  // The page's volume is applied to the sound inside the web process, by the engine's own
  // mixer, and the sound server's stream is left at whatever the desktop keeps for it.
  // Otherwise the element's volume is the stream's volume at the sound server, and the
  // engine adopts whatever the server reports for a new stream: PipeWire 0.3.65's
  // PulseAudio server replaces the volume a stream is created with by its default (100 %),
  // and its session manager restores the last volume of the stream's media role, so the
  // page's 0.3 was lost at every connection. Needs the "inter" plugin (plugins-bad);
  // without it the engine plays through the sound server's stream volume as before.
  // Only where PipeWire serves the sound (PipeWireServesSound).
  bool mixer_volume = true;
  // The stream is fetched inside the web process by GStreamer's own HTTP source (our
  // extension of the web process, gtk_stream_source.cpp), not through the network process:
  // about a quarter of the CPU while playing, the same memory.
  bool direct_stream = true;
  // Two malloc arenas in the program and its helpers, not one per thread that ever
  // allocated: 2 to 3 MiB, no CPU measurably lost.
  bool few_arenas = true;
  // Tried and left out: no saving beyond the run-to-run spread, or worse.
  bool small_caches = false;          // cache model for one document, no page cache
  bool memory_pressure = false;       // helpers drop caches at a lower footprint
  bool baseline_jit = false;          // JavaScript stops at the first JIT tier
  bool serial_jit = false;            // no JIT compiler threads
  bool features_off = false;          // engine features the page never uses
  bool painting_threads_off = false;  // the web process paints on its main thread
  bool playbin3 = false;              // the newer GStreamer playback element: +14 MiB
  bool pressure_monitor_off = false;  // no thread watching the machine's memory
  bool long_audio_buffer = false;     // the sound server asks for audio less often
  bool dmabuf_renderer_off = false;   // pages reach the program without DMA-BUF
  bool compositing_mode_off = false;  // the same as software_rendering, by environment
};

Tuning ReadTuning() {
  Tuning tuning;
#ifdef STATIONPLAYER_FAULTS
  if (const char* list = g_getenv("STATIONPLAYER_WEB_VIEW_TOGGLE")) {
    const std::string names = std::string(",") + list + ",";
    auto toggle = [&](const char* name, bool& setting) {
      if (names.find(std::string(",") + name + ",") != std::string::npos) setting = !setting;
    };
    toggle("software_rendering", tuning.software_rendering);
    toggle("ephemeral", tuning.ephemeral);
    toggle("small_caches", tuning.small_caches);
    toggle("memory_pressure", tuning.memory_pressure);
    toggle("jit_off", tuning.jit_off);
    toggle("mixer_volume", tuning.mixer_volume);
    toggle("direct_stream", tuning.direct_stream);
    toggle("few_arenas", tuning.few_arenas);
    toggle("system_malloc", tuning.system_malloc);
    toggle("baseline_jit", tuning.baseline_jit);
    toggle("serial_jit", tuning.serial_jit);
    toggle("features_off", tuning.features_off);
    toggle("painting_threads_off", tuning.painting_threads_off);
    toggle("playbin3", tuning.playbin3);
    toggle("pressure_monitor_off", tuning.pressure_monitor_off);
    toggle("long_audio_buffer", tuning.long_audio_buffer);
    toggle("mpg123_decoder", tuning.mpg123_decoder);
    toggle("dmabuf_renderer_off", tuning.dmabuf_renderer_off);
    toggle("compositing_mode_off", tuning.compositing_mode_off);
  }
#endif
  return tuning;
}

// Whether the PulseAudio server the sound will go to is PipeWire's: its socket
// ("pulse/native", or where PULSE_SERVER names it) lies in a runtime folder that also
// holds PipeWire's own socket. PulseAudio itself keeps a new stream's volume, and there
// the engine's mixer would only cost CPU (about 1.4 % of a core in the web process).
bool PipeWireServesSound() {
  std::string folder = g_get_user_runtime_dir();
  const char* server = g_getenv("PULSE_SERVER");
  if (server && g_str_has_prefix(server, "unix:")) {
    const std::string socket = server + 5;  // "<folder>/pulse/native"
    const std::size_t pulse = socket.rfind("/pulse/");
    if (pulse == std::string::npos) return false;
    folder = socket.substr(0, pulse);
  } else if (server && *server) {
    return false;  // a server over the network: not ours to know
  }
  GStatBuf st;
  return g_lstat((folder + "/pipewire-0").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// The helper processes inherit the program's environment, and the engine reads these
// when a helper starts, so they are set before the first one does. A value the user set
// is left alone.
void SetHelperEnvironment(const Tuning& tuning) {
  if (tuning.jit_off) g_setenv("JSC_useJIT", "0", FALSE);
  if (tuning.system_malloc) g_setenv("Malloc", "1", FALSE);
  if (tuning.few_arenas) {
    g_setenv("MALLOC_ARENA_MAX", "2", FALSE);
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 2);  // the program's own, which read its setting at start
#endif
  }
  if (tuning.mixer_volume && PipeWireServesSound())
    g_setenv("WEBKIT_GST_ENABLE_AUDIO_MIXER", "1", FALSE);
  if (tuning.baseline_jit) {
    g_setenv("JSC_useDFGJIT", "0", FALSE);
    g_setenv("JSC_useFTLJIT", "0", FALSE);
  }
  if (tuning.serial_jit) g_setenv("JSC_useConcurrentJIT", "0", FALSE);
  if (tuning.painting_threads_off) g_setenv("WEBKIT_SKIA_CPU_PAINTING_THREADS", "0", FALSE);
  if (tuning.playbin3) g_setenv("WEBKIT_GST_USE_PLAYBIN3", "1", FALSE);
  if (tuning.pressure_monitor_off) g_setenv("WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR", "1", FALSE);
  if (tuning.long_audio_buffer) g_setenv("PULSE_LATENCY_MSEC", "200", FALSE);
  if (tuning.mpg123_decoder) g_setenv("GST_PLUGIN_FEATURE_RANK", "mpg123audiodec:MAX", FALSE);
  if (tuning.dmabuf_renderer_off) g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  if (tuning.compositing_mode_off) g_setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", FALSE);
}

// The page is one audio element with its controls and a few lines of script.
void SwitchOffUnusedFeatures(WebKitSettings* settings) {
  webkit_settings_set_enable_webgl(settings, FALSE);
  webkit_settings_set_enable_webaudio(settings, FALSE);
  webkit_settings_set_enable_mediasource(settings, FALSE);
  webkit_settings_set_enable_media_stream(settings, FALSE);
  webkit_settings_set_enable_webrtc(settings, FALSE);
  webkit_settings_set_enable_encrypted_media(settings, FALSE);
  webkit_settings_set_enable_media_capabilities(settings, FALSE);
  webkit_settings_set_enable_html5_database(settings, FALSE);
  webkit_settings_set_enable_html5_local_storage(settings, FALSE);
  webkit_settings_set_enable_2d_canvas_acceleration(settings, FALSE);
  webkit_settings_set_enable_smooth_scrolling(settings, FALSE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, FALSE);
}

// The folder of the web process extension: beside the program in the build tree, in the
// installed tree where it was installed (relative to the program's own folder).
std::optional<std::string> WebExtensionFolder() {
  g_autofree gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
  if (!exe) return std::nullopt;
  g_autofree gchar* bin = g_path_get_dirname(exe);
  for (const char* relative : {"web-extensions", STATIONPLAYER_WEB_EXTENSION_FROM_BIN}) {
    g_autofree gchar* folder = g_build_filename(bin, relative, nullptr);
    g_autofree gchar* module = g_build_filename(folder, STATIONPLAYER_WEB_EXTENSION_FILE, nullptr);
    if (g_file_test(module, G_FILE_TEST_IS_REGULAR)) return std::string(folder);
  }
  return std::nullopt;
}

WebKitWebContext* NewContext(const Tuning& tuning, const char* user_agent) {
  SetHelperEnvironment(tuning);
  g_autoptr(WebKitMemoryPressureSettings) pressure = nullptr;
  if (tuning.memory_pressure) {
    pressure = webkit_memory_pressure_settings_new();
    // MB; WebKit's default is the machine's memory. Crossing the thresholds makes a
    // helper drop caches; the kill threshold stays off.
    webkit_memory_pressure_settings_set_memory_limit(pressure, 160);
    // The conservative threshold must stay below the strict one when set.
    webkit_memory_pressure_settings_set_strict_threshold(pressure, 0.8);
    webkit_memory_pressure_settings_set_conservative_threshold(pressure, 0.5);
    // The network process takes its settings only before it starts.
    webkit_website_data_manager_set_memory_pressure_settings(pressure);
  }
  g_autoptr(WebKitWebsiteDataManager) data = nullptr;
  if (tuning.ephemeral)
    data = WEBKIT_WEBSITE_DATA_MANAGER(
        g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "is-ephemeral", TRUE, nullptr));
  auto* context =
      WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                      "memory-pressure-settings", pressure, nullptr));
  if (tuning.small_caches)
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Without the extension the engine fetches the stream itself, as it always can.
  if (const auto folder = tuning.direct_stream ? WebExtensionFolder() : std::nullopt) {
    webkit_web_context_set_web_extensions_directory(context, folder->c_str());
    webkit_web_context_set_web_extensions_initialization_user_data(
        context, g_variant_new_string(user_agent ? user_agent : ""));
  }
  return context;
}

GtkWidget* NewWebView() {
  const Tuning tuning = ReadTuning();
  g_autoptr(WebKitSettings) settings =
      webkit_settings_new_with_settings("enable-javascript", TRUE, nullptr);
  g_autoptr(WebKitWebContext) context =
      NewContext(tuning, webkit_settings_get_user_agent(settings));

  if (tuning.software_rendering)
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  if (tuning.small_caches) webkit_settings_set_enable_page_cache(settings, FALSE);
  if (tuning.features_off) SwitchOffUnusedFeatures(settings);

  g_autoptr(WebKitUserContentManager) content = webkit_user_content_manager_new();
  g_autoptr(WebKitUserStyleSheet) style =
      webkit_user_style_sheet_new(kNoScrollBars, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content, style);
#ifdef STATIONPLAYER_FAULTS
  // The weight bench can try a host script of its own on the page (to see what a part of
  // the page costs); the page text stays as it is.
  if (const char* extra = g_getenv("STATIONPLAYER_WEB_VIEW_USER_SCRIPT")) {
    g_autoptr(WebKitUserScript) script =
        webkit_user_script_new(extra, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
  }
#endif

  // The audio element must start by itself: WebKit's default policy keeps an
  // autoplay element paused until a user gesture. The policy can only be given at
  // construction.
  g_autoptr(WebKitWebsitePolicies) policies =
      webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr);

  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                            "settings", settings, "user-content-manager", content,
                                            "website-policies", policies, nullptr));
  // Black underneath until the page paints, so the view never flashes white.
  const GdkRGBA black{0, 0, 0, 1};
  webkit_web_view_set_background_color(WEBKIT_WEB_VIEW(view), &black);
  return view;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer) {
  // Every key goes to the page (to move between the player's controls, for example)
  // except Enter, which the page never sees.
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return TRUE;
    default:
      return FALSE;
  }
}

void OnBlankLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer finished) {
  // A failed load ends with FINISHED too.
  if (event == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(finished) = true;
}

gboolean OnBlankWaitOver(gpointer over) {
  *static_cast<bool*>(over) = true;
  return G_SOURCE_REMOVE;
}

// A view with its empty document on the way, and the helper processes that came with
// it. The helpers ask for their session bus as they come up, some of them only once the
// main loop runs again, so the stand-in stays in place until the document is complete.
struct StartedView {
  GtkWidget* view = nullptr;  // owned here until it is placed
  bool finished = false;
  gulong handler = 0;
  std::optional<linux_desktop::HelperBusScope> helper_bus;
};

// Makes a view and starts loading an empty document into it, which starts the
// helpers: WebKit starts them on the first load.
bool StartView(StartedView& started) {
  started.helper_bus.emplace();
  started.view = NewWebView();
  if (!started.view) {
    started.helper_bus.reset();
    return false;
  }
  g_object_ref_sink(started.view);
  started.handler = g_signal_connect(started.view, "load-changed", G_CALLBACK(OnBlankLoadChanged),
                                     &started.finished);
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(started.view), "", "about:blank");
  return true;
}

void StopWaiting(StartedView& started, GtkWidget* view) {
  g_signal_handler_disconnect(view, started.handler);
  started.finished = false;
  started.helper_bus.reset();
}

// Runs the main loop until the empty document is complete, or until the wait runs out;
// the view is usable either way, a later page simply replaces whatever is still loading.
void WaitForBlankDocument(StartedView& started, GtkWidget* view) {
  bool over = false;
  const guint timer = g_timeout_add(BlankDocumentWaitMs(), OnBlankWaitOver, &over);
  while (!started.finished && !over) g_main_context_iteration(nullptr, TRUE);
  if (!over) g_source_remove(timer);
  StopWaiting(started, view);
}

// The view WarmUpWebView started, until CreateWebView takes it.
StartedView& WarmView() {
  static StartedView started;
  return started;
}

}  // namespace
}  // namespace sp::gtkui

namespace sp::ui {

void WarmUpWebView() {
#ifdef STATIONPLAYER_FAULTS
  if (g_getenv("STATIONPLAYER_FAIL_WEB_VIEW")) return;
#endif
  gtkui::StartedView& warm = gtkui::WarmView();
  if (!warm.view) gtkui::StartView(warm);
}

void HandlePending() {
  // Bounded: a source that keeps itself ready cannot hold start-up here.
  for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

bool CreateWebView(const ControlSpec& desc) {
#ifdef STATIONPLAYER_FAULTS
  if (g_getenv("STATIONPLAYER_FAIL_WEB_VIEW")) return false;
#endif
  // The helper processes start with the view and its first document, and are given a
  // session bus on which their own media player reaches no one. A view started early
  // is the one used, so its helpers are the ones that play.
  gtkui::StartedView& started = gtkui::WarmView();
  if (!gtkui::FindWindow(desc.window)) {
    // Nowhere to show it: a view started early goes, and its helpers with it.
    if (started.view) {
      gtkui::StopWaiting(started, started.view);
      g_clear_object(&started.view);
    }
    return false;
  }
  if (!started.view && !gtkui::StartView(started)) return false;
  GtkWidget* view = std::exchange(started.view, nullptr);
  const Dpi& dpi = gtkui::State().dpi;
  gtk_widget_set_size_request(view, dpi.ToPxX(desc.width), dpi.ToPxY(desc.height));
  g_signal_connect(view, "key-press-event", G_CALLBACK(gtkui::OnKeyPress), nullptr);
  controls::Add(desc.id, ControlKind::WebView, desc.window, 0, 0);
  const bool placed = gtkui::PlaceControl(desc, view);
  if (placed) {
    gtkui::ReportMediaEvents(view, desc.id);
    ui::MarkStartupStep("web view created");
    gtkui::WaitForBlankDocument(started, view);
    ui::MarkStartupStep("blank document complete");
  } else {
    controls::Remove(desc.id);
    gtkui::StopWaiting(started, view);
  }
  // The window holds the view now; one that found no place goes with this reference.
  g_object_unref(view);
  return placed;
}

bool SetWebViewHtml(ControlId id, const std::string& html) {
  GtkWidget* view = gtkui::FindControl(id);
  if (!view || !WEBKIT_IS_WEB_VIEW(view)) return false;
  // The page names its stream by a full address, so its own address does not matter.
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(view), html.c_str(), "about:blank");
  return true;
}

bool RunWebViewScript(ControlId id, const std::string& script) {
  GtkWidget* view = gtkui::FindControl(id);
  if (!view || !WEBKIT_IS_WEB_VIEW(view)) return false;
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view), script.c_str(), gssize(script.size()),
                                      nullptr, nullptr, nullptr, nullptr, nullptr);
  return true;
}

}  // namespace sp::ui
