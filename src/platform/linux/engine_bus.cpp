// A stand-in session bus for the web engine's helper processes.
//
// For a page's audio element the engine publishes a media player of its own on the
// session bus: blank, claiming to seek and skip, and picked first by clients such as
// playerctl. It has no switch for that, and the program publishes the real player. The
// helpers are started with this stand-in as their session bus: they connect, and every
// name they ask for is already taken, so nothing of theirs reaches the desktop's bus.
// The one other thing the helpers ask of the session bus, where the accessibility bus
// is, is passed on to the real one.
#include "platform/linux/engine_bus.h"

#include <gio/gio.h>
#include <unistd.h>

#include "platform/linux/session_bus.h"

namespace sp::linux_desktop {
namespace {

constexpr char kBusInterface[] =
    "<node><interface name='org.freedesktop.DBus'>"
    "<method name='Hello'><arg type='s' direction='out'/></method>"
    "<method name='RequestName'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='u' direction='out'/></method>"
    "<method name='ReleaseName'><arg type='s' direction='in'/><arg type='u' direction='out'/>"
    "</method>"
    "<method name='AddMatch'><arg type='s' direction='in'/></method>"
    "<method name='RemoveMatch'><arg type='s' direction='in'/></method>"
    "</interface></node>";

constexpr char kA11yInterface[] =
    "<node><interface name='org.a11y.Bus'>"
    "<method name='GetAddress'><arg type='s' direction='out'/></method>"
    "</interface></node>";

// A message bus's reply codes: the name has another owner; the name was not ours.
constexpr guint32 kNameExists = 3;
constexpr guint32 kNameNotOwner = 3;

void OnBusCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
               GVariant*, GDBusMethodInvocation* invocation, gpointer) {
  GVariant* reply = nullptr;
  if (g_str_equal(method, "Hello")) {
    reply = g_variant_new("(s)", ":1.1");
  } else if (g_str_equal(method, "RequestName")) {
    reply = g_variant_new("(u)", kNameExists);
  } else if (g_str_equal(method, "ReleaseName")) {
    reply = g_variant_new("(u)", kNameNotOwner);
  }
  g_dbus_method_invocation_return_value(invocation, reply);
}

// The program's own session bus, set before the stand-in starts.
GDBusConnection* real_bus = nullptr;

void OnA11yCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                GDBusMethodInvocation* invocation, gpointer) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      real_bus, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
      G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  if (reply) {
    g_dbus_method_invocation_return_value(invocation, reply);
  } else {
    g_dbus_method_invocation_take_error(invocation, error);
  }
}

const GDBusInterfaceVTable kBusVTable = {OnBusCall, nullptr, nullptr, {}};
const GDBusInterfaceVTable kA11yVTable = {OnA11yCall, nullptr, nullptr, {}};

GDBusInterfaceInfo* Interface(const char* xml) {
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
  return node ? node->interfaces[0] : nullptr;
}
GDBusInterfaceInfo* BusInterface() {
  static GDBusInterfaceInfo* info = Interface(kBusInterface);
  return info;
}
GDBusInterfaceInfo* A11yInterface() {
  static GDBusInterfaceInfo* info = Interface(kA11yInterface);
  return info;
}

void OnClosed(GDBusConnection* connection, gboolean, GError*, gpointer) {
  g_object_unref(connection);
}

gboolean OnNewConnection(GDBusServer*, GDBusConnection* connection, gpointer) {
  GDBusInterfaceInfo* bus = BusInterface();
  GDBusInterfaceInfo* a11y = A11yInterface();
  if (!bus || !a11y ||
      g_dbus_connection_register_object(connection, "/org/freedesktop/DBus", bus, &kBusVTable,
                                        nullptr, nullptr, nullptr) == 0 ||
      g_dbus_connection_register_object(connection, "/org/a11y/bus", a11y, &kA11yVTable, nullptr,
                                        nullptr, nullptr) == 0)
    return FALSE;
  // Kept until the helper goes.
  g_object_ref(connection);
  g_signal_connect(connection, "closed", G_CALLBACK(OnClosed), nullptr);
  return TRUE;
}

// Only the program's own user reaches the stand-in.
gboolean OnAuthorize(GDBusAuthObserver*, GIOStream*, GCredentials* credentials, gpointer) {
  return credentials && g_credentials_get_unix_user(credentials, nullptr) == ::getuid();
}

// Runs the stand-in on a thread of its own: a helper may wait for the bus while the GUI
// thread waits for that helper. The thread sleeps in poll but for the few calls a helper
// makes when it starts.
gpointer ServeBus(gpointer server) {
  auto* context =
      static_cast<GMainContext*>(g_object_get_data(G_OBJECT(server), "stationplayer-context"));
  g_main_context_push_thread_default(context);
  g_signal_connect(server, "new-connection", G_CALLBACK(OnNewConnection), nullptr);
  g_dbus_server_start(G_DBUS_SERVER(server));
  for (;;) g_main_context_iteration(context, TRUE);
  return nullptr;
}

// The stand-in's address; empty when it could not be made. Lives as long as the process.
const std::string& StandInAddress() {
  static const std::string address = [] {
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    // An abstract socket on Linux: nothing lands on disk.
    g_autofree gchar* dir = g_dbus_address_escape_value(runtime && *runtime ? runtime : "/tmp");
    const std::string listen = std::string("unix:tmpdir=") + dir;
    g_autofree gchar* guid = g_dbus_generate_guid();
    g_autoptr(GDBusAuthObserver) observer = g_dbus_auth_observer_new();
    g_signal_connect(observer, "authorize-authenticated-peer", G_CALLBACK(OnAuthorize), nullptr);
    // The server's sockets belong to the context that is the thread default when it is made.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GDBusServer* server = g_dbus_server_new_sync(listen.c_str(), G_DBUS_SERVER_FLAGS_NONE, guid,
                                                 observer, nullptr, nullptr);
    g_main_context_pop_thread_default(context);
    if (!server) {
      g_main_context_unref(context);
      return std::string();
    }
    g_object_set_data(G_OBJECT(server), "stationplayer-context", context);
    std::string client = g_dbus_server_get_client_address(server);
    g_thread_unref(g_thread_new("engine-bus", ServeBus, server));
    return client;
  }();
  return address;
}

}  // namespace

HelperBusScope::HelperBusScope() {
  // Without a session bus the engine publishes nothing there either.
  if (!SessionBusAddress()) return;
  // GIO keeps the first session bus it finds for the rest of the process: the program's
  // own is found now, while the real address still stands.
  if (!real_bus) real_bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!real_bus) return;
  const std::string& stand_in = StandInAddress();
  if (stand_in.empty()) return;
  const char* before = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  saved_ = before ? std::optional<std::string>(before) : std::nullopt;
  g_setenv("DBUS_SESSION_BUS_ADDRESS", stand_in.c_str(), TRUE);
  active_ = true;
}

HelperBusScope::~HelperBusScope() {
  if (!active_) return;
  if (saved_) {
    g_setenv("DBUS_SESSION_BUS_ADDRESS", saved_->c_str(), TRUE);
  } else {
    g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

}  // namespace sp::linux_desktop
