// GTK backend: what screen readers (through ATK) and the keyboard get of the
// program's drawn controls. Every text strip and canvas is a drawing area of our own
// type, whose accessible tells its role, name and state, reads a label's text
// (gtk_access_text.cpp), and presses a button by the same click the mouse gives.
#include <atk/atk.h>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/backend.h"
#include "platform/gtk/gtk_state.h"
#include "platform/mouse.h"

namespace sp::gtkui {
namespace {

struct SpControlArea {
  GtkDrawingArea parent;
  int control;
};
struct SpControlAreaClass {
  GtkDrawingAreaClass parent_class;
};

struct SpControlAccessible {
  GtkWidgetAccessible parent;
  AccessInfo* info;  // owned; an undescribed control has the default one
  int caret;         // where a reading label is read from, in characters
};
struct SpControlAccessibleClass {
  GtkWidgetAccessibleClass parent_class;
};

void ActionInit(AtkActionIface* iface);

// GObject's type macros cast our functions the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_TYPE(SpControlArea, sp_control_area, GTK_TYPE_DRAWING_AREA)
G_DEFINE_TYPE_WITH_CODE(SpControlAccessible, sp_control_accessible, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, ActionInit)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, InitAccessibleText))
#pragma GCC diagnostic pop

SpControlArea* AreaOf(GtkWidget* widget) {
  return widget && G_TYPE_CHECK_INSTANCE_TYPE(widget, sp_control_area_get_type())
             ? reinterpret_cast<SpControlArea*>(widget)
             : nullptr;
}

SpControlAccessible* AccessibleOf(gpointer object) {
  return reinterpret_cast<SpControlAccessible*>(object);
}

const AccessInfo& InfoOf(gpointer accessible) {
  return *AccessibleOf(accessible)->info;
}

// The control behind an accessible, or None once its widget is gone.
ControlId ControlOf(gpointer accessible) {
  SpControlArea* area = AreaOf(gtk_accessible_get_widget(GTK_ACCESSIBLE(accessible)));
  return area ? ControlId{area->control} : ControlId::None;
}

// --- The widget ---

gboolean ClickLater(gpointer data) {
  mouse::Click(ControlId{GPOINTER_TO_INT(data)});
  return G_SOURCE_REMOVE;
}

gboolean OnAreaKey(GtkWidget* widget, GdkEventKey* event) {
  const ControlId id{AreaOf(widget)->control};
  const AccessInfo* info = ui::ControlDescription(id);
  const bool pressable = info && Pressable(info->role);
  // A label the keyboard reaches is read with the arrows; they do not move the focus.
  if (info && info->role == AccessRole::Label && info->focusable &&
      MoveReadingCaret(gtk_widget_get_accessible(widget), event))
    return TRUE;
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      if (pressable) {
        mouse::Click(id);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return GTK_WIDGET_CLASS(sp_control_area_parent_class)->key_press_event(widget, event);
}

void sp_control_area_class_init(SpControlAreaClass* klass) {
  GtkWidgetClass* widget_class = GTK_WIDGET_CLASS(klass);
  widget_class->key_press_event = OnAreaKey;
  gtk_widget_class_set_accessible_type(widget_class, sp_control_accessible_get_type());
}

void sp_control_area_init(SpControlArea* area) {
  area->control = 0;
}

// --- The accessible ---

void sp_control_accessible_init(SpControlAccessible* accessible) {
  accessible->info = new AccessInfo;
  accessible->caret = 0;
}

void Finalize(GObject* object) {
  delete AccessibleOf(object)->info;
  G_OBJECT_CLASS(sp_control_accessible_parent_class)->finalize(object);
}

AtkStateSet* RefStateSet(AtkObject* object) {
  AtkStateSet* states = ATK_OBJECT_CLASS(sp_control_accessible_parent_class)->ref_state_set(object);
  const AccessInfo& info = InfoOf(object);
  if (info.role == AccessRole::ToggleButton) {
    atk_state_set_add_state(states, ATK_STATE_CHECKABLE);
    if (info.checked) {
      atk_state_set_add_state(states, ATK_STATE_CHECKED);
      atk_state_set_add_state(states, ATK_STATE_PRESSED);
    }
  }
  return states;
}

void sp_control_accessible_class_init(SpControlAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  AtkObjectClass* atk_class = ATK_OBJECT_CLASS(klass);
  atk_class->ref_state_set = RefStateSet;
}

// Action: a button's one action is its click.
gint ActionCount(AtkAction* action) {
  return Pressable(InfoOf(action).role) ? 1 : 0;
}

gboolean DoAction(AtkAction* action, gint i) {
  const ControlId id = ControlOf(action);
  if (i != 0 || !Pressable(InfoOf(action).role) || id == ControlId::None) return FALSE;
  // After the answer to the caller: the click may end the program.
  g_idle_add(ClickLater, GINT_TO_POINTER(int(Num(id))));
  return TRUE;
}

const gchar* ActionName(AtkAction* action, gint i) {
  return i == 0 && Pressable(InfoOf(action).role) ? "click" : nullptr;
}

void ActionInit(AtkActionIface* iface) {
  iface->do_action = DoAction;
  iface->get_n_actions = ActionCount;
  iface->get_name = ActionName;
}

// Names a control by a label (the countdown by "Time Left"), both ways as ATK wants it.
void Relate(AtkObject* accessible, ControlId label) {
  GtkWidget* widget = FindControl(label);
  AtkObject* named_by = widget ? gtk_widget_get_accessible(widget) : nullptr;
  if (!named_by) return;
  atk_object_add_relationship(accessible, ATK_RELATION_LABELLED_BY, named_by);
  atk_object_add_relationship(named_by, ATK_RELATION_LABEL_FOR, accessible);
}

AtkRole AtkRoleOf(AccessRole role) {
  switch (role) {
    case AccessRole::Decoration:
      return ATK_ROLE_REDUNDANT_OBJECT;
    case AccessRole::Label:
      return ATK_ROLE_LABEL;
    case AccessRole::PushButton:
      return ATK_ROLE_PUSH_BUTTON;
    case AccessRole::ToggleButton:
      return ATK_ROLE_TOGGLE_BUTTON;
    case AccessRole::Unknown:
      break;
  }
  return ATK_ROLE_DRAWING_AREA;
}

// --- Keyboard order ---

// Per window, the controls Tab reaches, in the order they were described.
std::map<std::int64_t, std::vector<std::int64_t>>& TabOrders() {
  static std::map<std::int64_t, std::vector<std::int64_t>> orders;
  return orders;
}

void SetTabOrder(WindowId window) {
  NativeWindow* native = FindWindow(window);
  if (!native) return;
  GList* chain = nullptr;
  for (std::int64_t id : TabOrders()[Num(window)])
    if (GtkWidget* widget = FindControl(ControlId{id})) chain = g_list_append(chain, widget);
  // Reading order, not GTK's geometric one (SUBSCRIBE sits lower than its neighbours).
  // The focus chain is deprecated for GTK 4, which has no such container; it is what
  // GTK 3 offers.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(native->fixed), chain);
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_list_free(chain);
}

void OnFocusVisible(GtkWindow* window, GParamSpec*, gpointer) {
  if (GtkWidget* focus = gtk_window_get_focus(window)) gtk_widget_queue_draw(focus);
}

}  // namespace

AccessibleText TextOf(gpointer accessible) {
  SpControlAccessible* own = AccessibleOf(accessible);
  return {own->info->name, own->caret};
}

GtkWidget* NewControlArea(ControlId id) {
  auto* area = static_cast<SpControlArea*>(g_object_new(sp_control_area_get_type(), nullptr));
  area->control = int(Num(id));
  gtk_widget_add_events(GTK_WIDGET(area), GDK_KEY_PRESS_MASK | GDK_FOCUS_CHANGE_MASK);
  return GTK_WIDGET(area);
}

void DrawFocus(GtkWidget* widget, cairo_t* cr) {
  if (!AreaOf(widget) || !gtk_widget_has_visible_focus(widget)) return;
  // A dashed frame of black and white inside the edge: seen on any face or cover,
  // and the face itself stays as it is.
  const double w = gtk_widget_get_allocated_width(widget);
  const double h = gtk_widget_get_allocated_height(widget);
  cairo_save(cr);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_stroke_preserve(cr);
  const double dash = 2;
  cairo_set_dash(cr, &dash, 1, 0);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void WatchFocus(GtkWidget* window) {
  g_signal_connect(window, "notify::focus-visible", G_CALLBACK(OnFocusVisible), nullptr);
}

void DropInitialFocus(GtkWidget* window) {
  // Showing a window focuses its first control; nothing should look focused before
  // the keyboard is used, so the first Tab goes to the first control.
  if (AreaOf(gtk_window_get_focus(GTK_WINDOW(window))))
    gtk_window_set_focus(GTK_WINDOW(window), nullptr);
}

}  // namespace sp::gtkui

namespace sp::backend {

void DescribeControlWidget(ControlId id, const AccessInfo& info, bool announce) {
  GtkWidget* widget = gtkui::FindControl(id);
  const ControlState* state = controls::Find(id);
  if (!widget || !state) return;
  if (info.focusable) {
    auto& order = gtkui::TabOrders()[Num(state->window)];
    if (std::find(order.begin(), order.end(), Num(id)) == order.end()) order.push_back(Num(id));
    gtkui::SetTabOrder(state->window);
  }
  gtkui::SpControlArea* area = gtkui::AreaOf(widget);
  if (!area) {
    // The web view speaks for itself; only the way the keyboard enters and leaves it
    // is ours.
    if (info.focusable) gtkui::ConnectPageFocus(widget);
    return;
  }
  gtk_widget_set_can_focus(widget, info.focusable);
  AtkObject* accessible = gtk_widget_get_accessible(widget);
  if (!accessible ||
      !G_TYPE_CHECK_INSTANCE_TYPE(accessible, gtkui::sp_control_accessible_get_type()))
    return;
  AccessInfo& kept = *gtkui::AccessibleOf(accessible)->info;
  const AccessInfo before = kept;
  kept = info;
  atk_object_set_role(accessible, gtkui::AtkRoleOf(info.role));
  if (info.name != before.name) atk_object_set_name(accessible, info.name.c_str());
  if (info.description != before.description)
    atk_object_set_description(accessible, info.description.c_str());
  if (info.checked != before.checked)
    atk_object_notify_state_change(accessible, ATK_STATE_CHECKED, info.checked);
  if (info.labelled_by != before.labelled_by) gtkui::Relate(accessible, info.labelled_by);
  if (info.role == AccessRole::Label && info.focusable && info.name != before.name)
    gtkui::ReplaceText(accessible, before.name, info.name);
  if (announce) gtkui::Announce(state->window, info.announcement);
}

}  // namespace sp::backend

namespace sp::ui {

void DescribeWindow(WindowId id, const std::string& name) {
  gtkui::NativeWindow* native = gtkui::FindWindow(id);
  if (!native) return;
  // The frame's accessible name, apart from the title the window manager shows.
  if (AtkObject* accessible = gtk_widget_get_accessible(native->window))
    atk_object_set_name(accessible, name.c_str());
}

}  // namespace sp::ui
