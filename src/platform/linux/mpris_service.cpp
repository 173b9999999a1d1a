// The remote control on a Linux desktop: an MPRIS 2 player on the session bus, through
// GIO's D-Bus. Everything runs on the GUI thread: GIO delivers the bus's calls through
// the default main context, which the GTK main loop runs.
#include <gio/gio.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/session_bus.h"
#include "platform/remote_control.h"

namespace sp::remote {
namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
// What the desktop shows when nothing is on air.
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

constexpr char kIntrospection[] = R"XML(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg name="Offset" type="x" direction="in"/></method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri"><arg name="Uri" type="s" direction="in"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)XML";

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct NodeInfoUnref {
  void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
};

struct Service {
  Setup setup;
  std::unique_ptr<GDBusConnection, GObjectUnref> connection;
  std::unique_ptr<GDBusNodeInfo, NodeInfoUnref> node;
  guint root_registration = 0, player_registration = 0;
  bool started = false, ready = false;
  Track track;
  Playback playback = Playback::Stopped;
};

Service& State() {
  static Service service;
  return service;
}

const char* PlaybackText(Playback playback) {
  switch (playback) {
    case Playback::Playing:
      return "Playing";
    case Playback::Paused:
      return "Paused";
    case Playback::Stopped:
      break;
  }
  return "Stopped";
}

GVariant* Metadata(const Track& track) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
  const std::string path = TrackObjectPath(State().setup.desktop_entry, track.serial);
  const bool on_air = !path.empty() && g_variant_is_object_path(path.c_str());
  g_variant_builder_add(&builder, "{sv}", "mpris:trackid",
                        g_variant_new_object_path(on_air ? path.c_str() : kNoTrack));
  if (on_air) {
    // Texts from the station are meant to be UTF-8; D-Bus refuses anything else, so a
    // stray byte becomes U+FFFD instead of costing the whole message.
    auto text = [](const std::string& s) {
      g_autofree gchar* valid = g_utf8_make_valid(s.c_str(), gssize(s.size()));
      return g_variant_new_string(valid);
    };
    g_variant_builder_add(&builder, "{sv}", "xesam:title", text(track.title));
    GVariantBuilder artists;
    g_variant_builder_init(&artists, G_VARIANT_TYPE_STRING_ARRAY);
    for (const auto& artist : track.artists) g_variant_builder_add_value(&artists, text(artist));
    g_variant_builder_add(&builder, "{sv}", "xesam:artist", g_variant_builder_end(&artists));
    g_variant_builder_add(&builder, "{sv}", "xesam:album", text(track.album));
    if (track.length_us)
      g_variant_builder_add(&builder, "{sv}", "mpris:length",
                            g_variant_new_int64(*track.length_us));
    if (!track.art_url.empty())
      g_variant_builder_add(&builder, "{sv}", "mpris:artUrl", text(track.art_url));
  }
  return g_variant_builder_end(&builder);
}

std::optional<Command> CommandNamed(const gchar* method) {
  static constexpr struct {
    const char* name;
    Command command;
  } kCommands[] = {{"Raise", Command::Raise},         {"Quit", Command::Quit},
                   {"Play", Command::Play},           {"Pause", Command::Pause},
                   {"PlayPause", Command::PlayPause}, {"Stop", Command::Stop}};
  for (const auto& c : kCommands)
    if (g_str_equal(method, c.name)) return c.command;
  return std::nullopt;
}

void OnMethodCall(GDBusConnection* connection, const gchar*, const gchar*, const gchar*,
                  const gchar* method, GVariant*, GDBusMethodInvocation* invocation, gpointer) {
  if (g_str_equal(method, "OpenUri")) {
    g_dbus_method_invocation_return_error_literal(
        invocation, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED, "This player plays its station only");
    return;
  }
  // Next, Previous, Seek and SetPosition do nothing: the Can* properties say so.
  g_dbus_method_invocation_return_value(invocation, nullptr);
  const auto command = CommandNamed(method);
  if (!command || !State().setup.on_command) return;
  // The answer leaves before the command acts: Quit ends the process.
  g_dbus_connection_flush_sync(connection, nullptr, nullptr);
  State().setup.on_command(*command);
}

GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                        const gchar* name, GError** error, gpointer) {
  const Service& s = State();
  auto is = [&](const char* n) { return g_str_equal(name, n) != 0; };
  if (g_str_equal(interface, kRootInterface)) {
    if (is("CanQuit") || is("CanRaise")) return g_variant_new_boolean(TRUE);
    if (is("HasTrackList")) return g_variant_new_boolean(FALSE);
    if (is("Identity")) return g_variant_new_string(s.setup.identity.c_str());
    if (is("DesktopEntry")) return g_variant_new_string(s.setup.desktop_entry.c_str());
    if (is("SupportedUriSchemes") || is("SupportedMimeTypes"))
      return g_variant_new_strv(nullptr, 0);
  } else {
    if (is("PlaybackStatus")) return g_variant_new_string(PlaybackText(s.playback));
    if (is("Rate") || is("MinimumRate") || is("MaximumRate")) return g_variant_new_double(1.0);
    if (is("Metadata")) return Metadata(s.track);
    if (is("Position")) return g_variant_new_int64(s.setup.position_us ? s.setup.position_us() : 0);
    if (is("CanGoNext") || is("CanGoPrevious") || is("CanSeek"))
      return g_variant_new_boolean(FALSE);
    if (is("CanPlay") || is("CanPause") || is("CanControl")) return g_variant_new_boolean(TRUE);
  }
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
  return nullptr;
}

gboolean OnSetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* name, GVariant* value, GError** error, gpointer) {
  // A live stream plays at one speed; setting it to that speed is all that can succeed.
  if (g_str_equal(name, "Rate") && g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE) &&
      g_variant_get_double(value) == 1.0)
    return TRUE;
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED, "%s cannot be changed", name);
  return FALSE;
}

constexpr GDBusInterfaceVTable kVTable = {OnMethodCall, OnGetProperty, OnSetProperty, {}};

void EmitPlayerChanged(const char* property, GVariant* value) {
  Service& s = State();
  if (!s.ready) {
    g_variant_unref(g_variant_ref_sink(value));
    return;
  }
  GVariantBuilder changed;
  g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&changed, "{sv}", property, value);
  g_dbus_connection_emit_signal(
      s.connection.get(), nullptr, kObjectPath, "org.freedesktop.DBus.Properties",
      "PropertiesChanged",
      g_variant_new("(s@a{sv}@as)", kPlayerInterface, g_variant_builder_end(&changed),
                    g_variant_new_strv(nullptr, 0)),
      nullptr);
}

// Leaves the bus: another instance holds the name, or the bus went away. The name is
// not ours at that point, so there is nothing to release; the name watch ends with the
// connection.
void Withdraw() {
  Service& s = State();
  s.ready = false;
  if (!s.connection) return;
  if (s.root_registration)
    g_dbus_connection_unregister_object(s.connection.get(), s.root_registration);
  if (s.player_registration)
    g_dbus_connection_unregister_object(s.connection.get(), s.player_registration);
  s.root_registration = s.player_registration = 0;
  g_dbus_connection_close(s.connection.get(), nullptr, nullptr, nullptr);
  s.connection.reset();
}

void OnNameAcquired(GDBusConnection*, const gchar*, gpointer) {
  State().ready = true;
  if (State().setup.on_ready) State().setup.on_ready();
}

void OnNameLost(GDBusConnection*, const gchar*, gpointer) {
  Withdraw();
}

void OnConnected(GObject*, GAsyncResult* result, gpointer) {
  Service& s = State();
  s.connection.reset(g_dbus_connection_new_for_address_finish(result, nullptr));
  if (!s.connection) return;  // no bus listens there: carry on without
  s.node.reset(g_dbus_node_info_new_for_xml(kIntrospection, nullptr));
  if (!s.node) return Withdraw();
  s.root_registration = g_dbus_connection_register_object(
      s.connection.get(), kObjectPath,
      g_dbus_node_info_lookup_interface(s.node.get(), kRootInterface), &kVTable, nullptr, nullptr,
      nullptr);
  s.player_registration = g_dbus_connection_register_object(
      s.connection.get(), kObjectPath,
      g_dbus_node_info_lookup_interface(s.node.get(), kPlayerInterface), &kVTable, nullptr, nullptr,
      nullptr);
  if (!s.root_registration || !s.player_registration) return Withdraw();
  // No queueing: while another instance holds the name, this one stays off the bus.
  const std::string name = "org.mpris.MediaPlayer2." + s.setup.player_name;
  g_bus_own_name_on_connection(s.connection.get(), name.c_str(),
                               G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE, OnNameAcquired, OnNameLost,
                               nullptr, nullptr);
}

}  // namespace

void Start(const Setup& setup) {
  Service& s = State();
  if (s.started) return;
  s.started = true;
  s.setup = setup;
  const auto address = linux_desktop::SessionBusAddress();
  if (!address || !g_dbus_is_name(("org.mpris.MediaPlayer2." + setup.player_name).c_str())) return;
  g_dbus_connection_new_for_address(
      address->c_str(),
      GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, OnConnected, nullptr);
}

bool Ready() {
  return State().ready;
}

void PublishTrack(const Track& track) {
  Service& s = State();
  if (track == s.track) return;
  s.track = track;
  EmitPlayerChanged("Metadata", Metadata(track));
}

void PublishPlayback(Playback playback) {
  Service& s = State();
  if (playback == s.playback) return;
  s.playback = playback;
  EmitPlayerChanged("PlaybackStatus", g_variant_new_string(PlaybackText(playback)));
}

}  // namespace sp::remote
