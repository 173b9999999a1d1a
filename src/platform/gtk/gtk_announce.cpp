// GTK backend: news read out whatever has the focus. ATK 2.46 has no announcement of
// its own, and screen readers honour live regions only in web documents; what they do
// read out at once, from any program, is a notification that appears. So each window
// keeps one notification of its own, outside its tree of controls, that appears anew
// with every piece of news.
#include <atk/atk.h>
#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>

#include "platform/gtk/gtk_state.h"

namespace sp::gtkui {
namespace {

struct SpNotice {
  AtkObject parent;
  gboolean shown;
};
struct SpNoticeClass {
  AtkObjectClass parent_class;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_TYPE(SpNotice, sp_notice, ATK_TYPE_OBJECT)
#pragma GCC diagnostic pop

AtkStateSet* NoticeStates(AtkObject* object) {
  AtkStateSet* states = ATK_OBJECT_CLASS(sp_notice_parent_class)->ref_state_set(object);
  if (reinterpret_cast<SpNotice*>(object)->shown) {
    atk_state_set_add_state(states, ATK_STATE_VISIBLE);
    atk_state_set_add_state(states, ATK_STATE_SHOWING);
  }
  return states;
}

void sp_notice_class_init(SpNoticeClass* klass) {
  ATK_OBJECT_CLASS(klass)->ref_state_set = NoticeStates;
}

void sp_notice_init(SpNotice* notice) {
  notice->shown = FALSE;
}

// One per window, kept for the life of the process as the windows are: released at
// exit, it would reach the accessibility bridge while that is shutting down.
std::map<std::int64_t, SpNotice*>& Notices() {
  static std::map<std::int64_t, SpNotice*> notices;
  return notices;
}

SpNotice* NoticeOf(WindowId id) {
  NativeWindow* native = FindWindow(id);
  if (!native) return nullptr;
  SpNotice*& notice = Notices()[Num(id)];
  if (!notice) {
    notice = static_cast<SpNotice*>(g_object_new(sp_notice_get_type(), nullptr));
    AtkObject* object = ATK_OBJECT(notice);
    atk_object_set_role(object, ATK_ROLE_NOTIFICATION);
    // Its window is its parent, so a screen reader knows whose news it is.
    atk_object_set_parent(object, gtk_widget_get_accessible(native->window));
  }
  return notice;
}

struct News {
  WindowId window;
  std::string text;
};

gboolean ShowNews(gpointer data) {
  const std::unique_ptr<News> news(static_cast<News*>(data));
  SpNotice* notice = NoticeOf(news->window);
  if (!notice) return G_SOURCE_REMOVE;
  AtkObject* object = ATK_OBJECT(notice);
  if (notice->shown) {
    notice->shown = FALSE;
    atk_object_notify_state_change(object, ATK_STATE_SHOWING, FALSE);
  }
  atk_object_set_name(object, news->text.c_str());
  notice->shown = TRUE;
  atk_object_notify_state_change(object, ATK_STATE_SHOWING, TRUE);
  return G_SOURCE_REMOVE;
}

}  // namespace

void Announce(WindowId window, const std::string& text) {
  // After the events already waiting: the same news changes other controls too (the
  // album on the Cover button), and a screen reader cuts short what it is saying for
  // each; the notification, last, is heard whole.
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE + 10, ShowNews,
                  std::make_unique<News>(News{window, text}).release(), nullptr);
}

}  // namespace sp::gtkui
