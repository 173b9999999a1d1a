// The program as a screen reader meets it: on a private session and accessibility
// bus, the tree is read and the buttons pressed through AT-SPI; and the keyboard
// alone opens the cover window and ends the program.
#include <atspi/atspi-constants.h>
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include <nlohmann/json.hpp>

#include "sim_process.h"
#include "tests/e2e/a11y_bus.h"
#include "tests/e2e/audio.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using nlohmann::json;

template <typename Pred>
bool Eventually(Pred pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// An accessible object on the accessibility bus: the connection that serves it and its path.
struct Node {
  std::string bus, path;
  explicit operator bool() const { return !path.empty(); }
};

// A screen reader's view of the accessibility bus, asked with plain D-Bus calls and no
// cache, so what it reads is what the program says now.
class Reader {
 public:
  explicit Reader(const std::string& address)
      : bus_(g_dbus_connection_new_for_address_sync(
            address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr)) {}
  ~Reader() {
    if (bus_) g_object_unref(bus_);
  }
  explicit operator bool() const { return bus_ != nullptr; }

  static Node Desktop() { return {"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"}; }

  std::vector<Node> Children(const Node& n) {
    std::vector<Node> out;
    GVariant* count = Property(n, "ChildCount");
    const gint32 children = count ? g_variant_get_int32(count) : 0;
    if (count) g_variant_unref(count);
    for (gint32 i = 0; i < children; ++i) {
      GVariant* child = Call(n, "Accessible", "GetChildAtIndex", g_variant_new("(i)", i));
      if (!child) continue;
      const gchar *bus = nullptr, *path = nullptr;
      g_variant_get(child, "((&s&o))", &bus, &path);
      out.push_back({bus, path});
      g_variant_unref(child);
    }
    return out;
  }
  std::string Role(const Node& n) { return String(Call(n, "Accessible", "GetRoleName")); }
  std::string Name(const Node& n) { return String(Property(n, "Name")); }
  std::string Description(const Node& n) { return String(Property(n, "Description")); }
  std::string Text(const Node& n) {
    return String(Call(n, "Text", "GetText", g_variant_new("(ii)", 0, -1)));
  }
  bool HasState(const Node& n, AtspiStateType state) {
    GVariant* reply = Call(n, "Accessible", "GetState");
    if (!reply) return false;
    GVariant* words = g_variant_get_child_value(reply, 0);
    gsize count = 0;
    const auto* bits =
        static_cast<const guint32*>(g_variant_get_fixed_array(words, &count, sizeof(guint32)));
    const bool has = unsigned(state) / 32 < count && (bits[state / 32] >> (state % 32)) & 1;
    g_variant_unref(words);
    g_variant_unref(reply);
    return has;
  }
  // Presses through the first action, as a screen reader's "activate" does.
  bool Press(const Node& n) {
    if (!n) return false;
    GVariant* reply = Call(n, "Action", "DoAction", g_variant_new("(i)", 0));
    gboolean done = FALSE;
    if (reply) g_variant_get(reply, "(b)", &done);
    if (reply) g_variant_unref(reply);
    return done;
  }

  // Depth first, children in order; `depth` keeps the search out of the page's depths.
  Node Find(const Node& root, const std::function<bool(const Node&)>& match, int depth = 6) {
    if (match(root)) return root;
    if (depth == 0) return {};
    for (const Node& child : Children(root))
      if (Node found = Find(child, match, depth - 1)) return found;
    return {};
  }
  Node FindControl(const Node& root, const std::string& role, const std::string& name) {
    return Find(root, [&](const Node& n) { return Role(n) == role && Name(n) == name; });
  }

 private:
  GVariant* Call(const Node& n, const std::string& iface, const char* method,
                 GVariant* args = nullptr) {
    return g_dbus_connection_call_sync(bus_, n.bus.c_str(), n.path.c_str(),
                                       ("org.a11y.atspi." + iface).c_str(), method, args, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
  }
  GVariant* Property(const Node& n, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus_, n.bus.c_str(), n.path.c_str(), "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.a11y.atspi.Accessible", name), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
  }
  // The string in a reply "(s)" or a property "s"; empty when there is none.
  static std::string String(GVariant* v) {
    if (!v) return "";
    std::string out;
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING)) {
      out = g_variant_get_string(v, nullptr);
    } else if (g_variant_is_of_type(v, G_VARIANT_TYPE("(s)"))) {
      const gchar* s = nullptr;
      g_variant_get(v, "(&s)", &s);
      out = s;
    }
    g_variant_unref(v);
    return out;
  }

  GDBusConnection* bus_;
};

class AccessibilityE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    display.StartWindowManager();
    ASSERT_FALSE(a11y_bus.address().empty()) << a11y_bus.Log();
    reader.emplace(a11y_bus.address());
    ASSERT_TRUE(*reader);
  }

  XWindowId Start(bool accessibility) {
    std::map<std::string, std::string> env{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    program.emplace(display, home, ProgramOptions{.env = env, .accessibility = accessibility});
    auto window = display.FindWindow(kMainTitle, 20s);
    if (!window) ADD_FAILURE() << "no main window; log:\n" << program->Log();
    return window.value_or(0);
  }
  // A window of the program, by what it holds.
  Node Frame(const std::function<bool(const Node&)>& match) {
    Node found;
    Eventually(
        [&] {
          for (const Node& app : reader->Children(Reader::Desktop()))
            if ((found = reader->Find(app, match, 1))) return true;
          return false;
        },
        20s);
    return found;
  }
  Node MainFrame() {
    return Frame(
        [&](const Node& n) { return reader->Role(n) == "frame" && reader->Name(n) == kMainTitle; });
  }
  // The other frame holds the dock toggle.
  Node CoverFrame() {
    return Frame([&](const Node& n) {
      return reader->Role(n) == "frame" &&
             reader->FindControl(n, "toggle button", "Dock to the main window");
    });
  }
  // A number from the preferences the program wrote, or -1.
  int Preference(const std::string& key) {
    const json prefs =
        json::parse(ReadFile(program->AppFolder() + "preferences.json"), nullptr, false);
    return prefs.is_object() ? prefs.value(key, -1) : -1;
  }
  // Keys as xdotool names them, one after the other.
  void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key"});
    RunCommand(keys, {{"DISPLAY", display.name()}}, home.path(), 10s);
  }

  sp::test::SimProcess sim{{"--port", kStationPort}};
  Xvfb display;
  TempDir home;
  SessionBus bus{home.path()};
  AccessibilityBus a11y_bus{home.path(), bus};
  std::optional<Reader> reader;
  std::optional<Program> program;
};

TEST_F(AccessibilityE2ETest, AScreenReaderReadsTheSongAndPressesEveryButton) {
  ASSERT_TRUE(sim.ok());
  // The station's clock stands still until the test moves it on to the second song.
  sim.Control("POST", "scenario", TwoSongs(30, 0));
  const XWindowId window = Start(true);
  ASSERT_NE(window, 0u);
  const Node main = MainFrame();
  ASSERT_TRUE(main) << program->Log();
  Reader& r = *reader;

  for (const char* name : {"Close", "Minimize", "Subscribe", "Cover"})
    EXPECT_TRUE(r.FindControl(main, "push button", name)) << name;
  EXPECT_TRUE(r.FindControl(main, "label", "Tidemark Drum and Bass FM"));
  EXPECT_TRUE(r.FindControl(main, "label", "Time Left :"));
  // The player's page is still read, from the web engine's own process.
  EXPECT_TRUE(Eventually(
      [&] {
        return bool(r.Find(
            main, [&](const Node& n) { return n.bus != main.bus; }, 3));
      },
      15s));

  // The panel reads the song on air, with its captions.
  const Node panel = r.Find(main, [&](const Node& n) {
    return r.Role(n) == "label" && r.Name(n).rfind("now playing...", 0) == 0;
  });
  ASSERT_TRUE(panel);
  const std::string first =
      "now playing...\nArtist : Kelp Circuit\nTitle : Low Tide Roller\nAlbum : Night Harbour";
  EXPECT_TRUE(Eventually([&] { return r.Text(panel) == first; }, 15s)) << r.Text(panel);
  const Node cover = r.FindControl(main, "push button", "Cover");
  EXPECT_TRUE(Eventually([&] { return r.Description(cover) == "Night Harbour"; }, 5s));

  // "Cover" opens the cover window, whose controls are then in the tree.
  ASSERT_TRUE(r.Press(cover));
  const auto cover_window = display.FindOwnedWindow(window);
  ASSERT_TRUE(cover_window);
  EXPECT_TRUE(Eventually([&] { return display.Viewable(*cover_window); }, 10s));
  const Node cover_frame = CoverFrame();
  ASSERT_TRUE(cover_frame);
  EXPECT_EQ(r.Name(cover_frame), "Cover");  // its title is empty
  const Node dock = r.FindControl(cover_frame, "toggle button", "Dock to the main window");
  EXPECT_FALSE(r.HasState(dock, ATSPI_STATE_CHECKED));
  EXPECT_TRUE(r.FindControl(cover_frame, "label", "Night Harbour"));
  ASSERT_TRUE(r.Press(dock));
  EXPECT_TRUE(Eventually([&] { return r.HasState(dock, ATSPI_STATE_CHECKED); }, 10s));
  ASSERT_TRUE(r.Press(r.FindControl(cover_frame, "push button", "Close cover")));
  EXPECT_TRUE(Eventually([&] { return !display.Viewable(*cover_window); }, 10s));

  // The song changes, and the panel with it.
  sim.Control("POST", "clock", {{"now", "2026-12-07 21:01:10"}});
  EXPECT_TRUE(Eventually(
      [&] {
        return r.Text(panel) ==
               "now playing...\nArtist : Tidal Bore\nTitle : Shallows\nAlbum : Slack Water";
      },
      15s))
      << r.Text(panel);

  ASSERT_TRUE(r.Press(r.FindControl(main, "push button", "Minimize")));
  EXPECT_TRUE(Eventually([&] { return !display.Viewable(window); }, 10s));
  display.Activate(window);
  EXPECT_TRUE(Eventually([&] { return display.Viewable(window); }, 10s));

  r.Press(r.FindControl(main, "push button", "Close"));  // the answer may not come
  EXPECT_EQ(program->process().WaitExit(15s), std::optional<int>(0)) << program->Log();
  EXPECT_EQ(Preference("cWindDock"), 1);
  EXPECT_EQ(Preference("cWinOpen"), 0);
}

TEST_F(AccessibilityE2ETest, TheKeyboardAloneOpensTheCoverWindowAndEndsTheProgram) {
  const XWindowId window = Start(false);
  ASSERT_NE(window, 0u);
  display.Activate(window);
  // Nothing looks focused before a key is pressed: the buttons show their usual faces.
  const Geometry close{684, 0, 46, 25};
  ASSERT_EQ(display.WaitPixel(700, 1, {76, 74, 72}), (Rgb{76, 74, 72}));
  EXPECT_EQ(display.CountPixels(close, {0, 0, 0}), 0);

  const Geometry thumb_top{2, 26, 168, 1};
  const int black_before = display.CountPixels(thumb_top, {0, 0, 0});

  // Subscribe, Minimize, Close, then the thumbnail, whose focus frame shows over the
  // cover's edge.
  Keys({"Tab", "Tab", "Tab", "Tab"});
  EXPECT_TRUE(Eventually(
      [&] {
        return display.CountPixels(thumb_top, {0, 0, 0}) > black_before + 40;
      },
      5s));
  Keys({"Return"});
  const auto cover_window = display.FindOwnedWindow(window);
  ASSERT_TRUE(cover_window);
  EXPECT_TRUE(Eventually([&] { return display.Viewable(*cover_window); }, 10s));

  // Back in the main window, one step back from the thumbnail is Close.
  display.Activate(window);
  std::this_thread::sleep_for(300ms);
  Keys({"shift+Tab"});
  EXPECT_TRUE(Eventually([&] { return display.CountPixels(close, {0, 0, 0}) > 0; }, 5s));
  Keys({"space"});
  EXPECT_EQ(program->process().WaitExit(15s), std::optional<int>(0)) << program->Log();
  EXPECT_EQ(Preference("cWinOpen"), 1);
}

}  // namespace
}  // namespace e2e
