// Win32 backend: what screen readers get of the program's windows and drawn controls,
// through Microsoft Active Accessibility, which UI Automation's clients read as well
// through its bridge. Every window and control answers WM_GETOBJECT with an accessible
// object of our own that reads the control's description (platform/access.h) whenever
// it is asked, so what it says is never stale; what a reader should hear of at once goes
// out as a WinEvent. Windows' standard objects are not used: they would list the
// frame's strips and give the children in stacking order, and under Wine they answer
// almost nothing. GUI thread only, as COM calls into this single-threaded apartment are.
#include "platform/win32/windows_api.h"

#include <oleacc.h>

#include <vector>

// Dynamic Annotation's interface, which the toolchain's headers name without an id.
__CRT_UUID_DECL(IAccPropServices, 0x6e26e776, 0x04f0, 0x495d, 0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e,
                0x31, 0x69)

#include "platform/backend.h"
#include "platform/controls.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {
namespace {

// UI Automation's live-region setting ({C12BCD8E-2A8E-4950-8AE7-3625111D58EB},
// UIAutomationClient.h, which this toolchain lacks), set on a control through
// Dynamic Annotation: Narrator reads a live region's changes only with it.
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kLivePolite = 1;
// The annotation service; the toolchain's import library gives no usable copy of its id.
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

// Gives `failure` once the call in its first argument has cleared the out-parameter.
HRESULT Fail(HRESULT, HRESULT failure) {
  return failure;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT Text(const std::string& utf8, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (utf8.empty()) return S_FALSE;
  *out = SysAllocString(Wide(utf8).c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Number(LONG value, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

HRESULT Nothing(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return S_FALSE;
}

HRESULT Object(ComPtr<IDispatch> object, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  if (!object) return S_FALSE;
  out->vt = VT_DISPATCH;
  out->pdispVal = object.Detach();
  return S_OK;
}

HRESULT Dispatch(ComPtr<IDispatch> object, IDispatch** out) {
  if (!out) return E_POINTER;
  *out = object.Detach();
  return *out ? S_OK : S_FALSE;
}

HRESULT Location(HWND hwnd, bool client, long* x, long* y, long* w, long* h) {
  if (!x || !y || !w || !h) return E_POINTER;
  RECT r;
  if (client) {
    if (!GetClientRect(hwnd, &r)) return E_FAIL;
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  } else if (!GetWindowRect(hwnd, &r)) {
    return E_FAIL;
  }
  *x = r.left;
  *y = r.top;
  *w = r.right - r.left;
  *h = r.bottom - r.top;
  return S_OK;
}

// What every object of ours shares: reference counting, no IDispatch of its own (clients
// call IAccessible directly, also across processes), and the parts that are nothing here.
// A COM object ends in its own Release, never through an interface's destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Accessible : public IAccessible {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != __uuidof(IAccessible))
      return E_NOINTERFACE;
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* out) override {
    if (out) *out = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

  STDMETHODIMP get_accValue(VARIANT, BSTR* out) override { return Text("", out); }
  STDMETHODIMP get_accHelp(VARIANT, BSTR* out) override { return Text("", out); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* out) override { return Text("", out); }
  STDMETHODIMP get_accSelection(VARIANT* out) override { return Nothing(out); }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 protected:
  Accessible() = default;
  virtual ~Accessible() = default;

 private:
  ULONG refs_ = 1;
};
#pragma GCC diagnostic pop

ComPtr<IDispatch> ControlObject(ControlId id);

// The controls a window's client lists, in their numbers' order, which is reading
// order; the strips that only frame the window are left out.
std::vector<ControlId> Listed(WindowId window) {
  std::vector<ControlId> listed;
  for (const auto& [n, native] : State().controls) {
    const AccessInfo* info = ui::ControlDescription(ControlId{n});
    if (native.window == window && native.hwnd && info && info->role != AccessRole::Decoration)
      listed.push_back(ControlId{n});
  }
  return listed;
}

// A window: its frame (OBJID_WINDOW), whose one child is its client (OBJID_CLIENT), whose
// children are its controls.
class WindowAccessible final : public Accessible {
 public:
  static ComPtr<IDispatch> Create(WindowId id, bool frame) {
    return ComPtr<IDispatch>::Adopt(new WindowAccessible(id, frame));
  }

  STDMETHODIMP get_accParent(IDispatch** out) override {
    const NativeWindow* w = Native();
    if (!w) return Fail(Dispatch({}, out), E_FAIL);
    if (!frame_) return Dispatch(Create(id_, true), out);
    // A frame lies on the desktop, as the system's frames do.
    ComPtr<IDispatch> desktop;
    AccessibleObjectFromWindow(GetDesktopWindow(), DWORD(OBJID_CLIENT), IID_IDispatch,
                               desktop.OutVoid());
    return Dispatch(desktop, out);
  }
  STDMETHODIMP get_accChildCount(long* out) override {
    if (!out) return E_POINTER;
    *out = frame_ ? 1 : long(Listed(id_).size());
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    const auto index = Index(child);
    if (!index) return E_INVALIDARG;
    if (frame_) return Dispatch(Create(id_, false), out);
    return Dispatch(ControlObject(Listed(id_)[*index]), out);
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
    const NativeWindow* w = Native();
    if (!IsSelf(child)) return Fail(Text("", out), E_INVALIDARG);
    if (!w) return Fail(Text("", out), E_FAIL);
    return Text(w->access_name.empty() ? ui::WindowTitle(id_) : w->access_name, out);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override {
    return Fail(Text("", out), IsSelf(child) ? S_FALSE : E_INVALIDARG);
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
    if (!IsSelf(child)) return Fail(Nothing(out), E_INVALIDARG);
    return Number(frame_ ? ROLE_SYSTEM_WINDOW : ROLE_SYSTEM_CLIENT, out);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
    const NativeWindow* w = Native();
    if (!IsSelf(child)) return Fail(Nothing(out), E_INVALIDARG);
    if (!w) return Fail(Nothing(out), E_FAIL);
    LONG state = STATE_SYSTEM_FOCUSABLE;
    if (!IsWindowVisible(w->hwnd)) state |= STATE_SYSTEM_INVISIBLE;
    if (GetFocus() == w->hwnd) state |= STATE_SYSTEM_FOCUSED;
    return Number(state, out);
  }
  STDMETHODIMP get_accFocus(VARIANT* out) override {
    const NativeWindow* w = Native();
    const HWND focus = GetFocus();
    if (!w || !focus) return Nothing(out);
    if (focus == w->hwnd) return Number(CHILDID_SELF, out);
    for (ControlId id : Listed(id_)) {
      const NativeControl* control = FindControl(id);
      if (control->hwnd == focus || IsChild(control->hwnd, focus))
        return Object(frame_ ? Create(id_, false) : ControlObject(id), out);
    }
    return Nothing(out);
  }
  STDMETHODIMP get_accDefaultAction(VARIANT, BSTR* out) override { return Text("", out); }
  STDMETHODIMP accSelect(long flags, VARIANT child) override {
    const NativeWindow* w = Native();
    if (!IsSelf(child) || !w) return E_INVALIDARG;
    if (flags & SELFLAG_TAKEFOCUS) SetFocus(w->hwnd);
    return S_OK;
  }
  STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
    const NativeWindow* native = Native();
    if (!IsSelf(child) || !native) return E_INVALIDARG;
    return Location(native->hwnd, !frame_, x, y, w, h);
  }
  STDMETHODIMP accNavigate(long direction, VARIANT from, VARIANT* out) override {
    if (!IsSelf(from)) return Fail(Nothing(out), E_INVALIDARG);
    if (frame_) {
      if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD) return Nothing(out);
      return Object(Create(id_, false), out);
    }
    const std::vector<ControlId> listed = Listed(id_);
    if (listed.empty()) return Nothing(out);
    if (direction == NAVDIR_FIRSTCHILD) return Object(ControlObject(listed.front()), out);
    if (direction == NAVDIR_LASTCHILD) return Object(ControlObject(listed.back()), out);
    return Nothing(out);
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* out) override {
    const NativeWindow* w = Native();
    if (!w) return Nothing(out);
    POINT p{x, y};
    RECT r;
    GetWindowRect(w->hwnd, &r);
    if (!PtInRect(&r, p)) return Nothing(out);
    if (frame_) return Object(Create(id_, false), out);
    ScreenToClient(w->hwnd, &p);
    const HWND hit = ChildWindowFromPointEx(w->hwnd, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    for (ControlId id : Listed(id_))
      if (hit && FindControl(id)->hwnd == hit) return Object(ControlObject(id), out);
    return Number(CHILDID_SELF, out);
  }
  STDMETHODIMP accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }

 private:
  WindowAccessible(WindowId id, bool frame) : id_(id), frame_(frame) {}
  const NativeWindow* Native() const { return FindWindow(id_); }
  // A child's place, from its 1-based number.
  std::optional<std::size_t> Index(const VARIANT& child) const {
    if (child.vt != VT_I4 || child.lVal < 1) return std::nullopt;
    const std::size_t n = frame_ ? 1 : Listed(id_).size();
    if (std::size_t(child.lVal) > n) return std::nullopt;
    return std::size_t(child.lVal - 1);
  }

  WindowId id_;
  bool frame_;
};

LONG RoleOf(AccessRole role) {
  switch (role) {
    case AccessRole::PushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    // MSAA has no toggle button; Windows' own push-like check box is a check button to
    // it, the one role whose two states every reader speaks.
    case AccessRole::ToggleButton:
      return ROLE_SYSTEM_CHECKBUTTON;
    case AccessRole::Label:
      return ROLE_SYSTEM_STATICTEXT;
    case AccessRole::Decoration:
      return ROLE_SYSTEM_WHITESPACE;
    case AccessRole::Unknown:
      break;
  }
  return ROLE_SYSTEM_CLIENT;
}

// A text strip or canvas.
class ControlAccessible final : public Accessible {
 public:
  static ComPtr<IDispatch> Create(ControlId id) {
    return ComPtr<IDispatch>::Adopt(new ControlAccessible(id));
  }

  STDMETHODIMP get_accParent(IDispatch** out) override {
    const NativeControl* c = Native();
    if (!c) return Fail(Dispatch({}, out), E_FAIL);
    return Dispatch(WindowAccessible::Create(c->window, false), out);
  }
  STDMETHODIMP get_accChildCount(long* out) override {
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT, IDispatch** out) override {
    if (out) *out = nullptr;
    return E_INVALIDARG;
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
    const AccessInfo* info = Info();
    if (!IsSelf(child)) return Fail(Text("", out), E_INVALIDARG);
    if (!info) return Fail(Text("", out), E_FAIL);
    return Text(info->name, out);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override {
    const AccessInfo* info = Info();
    if (!IsSelf(child)) return Fail(Text("", out), E_INVALIDARG);
    if (!info) return Fail(Text("", out), E_FAIL);
    return Text(info->description, out);
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
    const AccessInfo* info = Info();
    if (!IsSelf(child)) return Fail(Nothing(out), E_INVALIDARG);
    if (!info) return Fail(Nothing(out), E_FAIL);
    return Number(RoleOf(info->role), out);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
    const AccessInfo* info = Info();
    const NativeControl* c = Native();
    if (!IsSelf(child)) return Fail(Nothing(out), E_INVALIDARG);
    if (!info || !c) return Fail(Nothing(out), E_FAIL);
    LONG state = 0;
    if (!IsWindowVisible(c->hwnd) || info->role == AccessRole::Decoration)
      state |= STATE_SYSTEM_INVISIBLE;
    if (info->focusable) state |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == c->hwnd) state |= STATE_SYSTEM_FOCUSED;
    if (info->role == AccessRole::Label) state |= STATE_SYSTEM_READONLY;
    if (info->role == AccessRole::ToggleButton && info->checked) state |= STATE_SYSTEM_CHECKED;
    return Number(state, out);
  }
  STDMETHODIMP get_accFocus(VARIANT* out) override {
    const NativeControl* c = Native();
    if (c && GetFocus() == c->hwnd) return Number(CHILDID_SELF, out);
    return Nothing(out);
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* out) override {
    const AccessInfo* info = Info();
    if (!IsSelf(child)) return Fail(Text("", out), E_INVALIDARG);
    if (!info || !Pressable(info->role)) return Text("", out);
    // The system's words for its own buttons' actions.
    if (info->role == AccessRole::ToggleButton)
      return Text(info->checked ? "Uncheck" : "Check", out);
    return Text("Press", out);
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    const AccessInfo* info = Info();
    const NativeControl* c = Native();
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!info || !c || !Pressable(info->role)) return DISP_E_MEMBERNOTFOUND;
    // After the answer: the press may end the program.
    return PostMessageW(c->hwnd, kPressControl, 0, 0) ? S_OK : E_FAIL;
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) override {
    const AccessInfo* info = Info();
    const NativeControl* c = Native();
    if (!IsSelf(child) || !info || !c) return E_INVALIDARG;
    if ((flags & SELFLAG_TAKEFOCUS) && info->focusable) SetFocus(c->hwnd);
    return S_OK;
  }
  STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
    const NativeControl* c = Native();
    if (!IsSelf(child) || !c) return E_INVALIDARG;
    return Location(c->hwnd, false, x, y, w, h);
  }
  STDMETHODIMP accNavigate(long direction, VARIANT from, VARIANT* out) override {
    const NativeControl* c = Native();
    if (!IsSelf(from) || !c) return Fail(Nothing(out), E_INVALIDARG);
    if (direction != NAVDIR_NEXT && direction != NAVDIR_PREVIOUS) return Nothing(out);
    const std::vector<ControlId> listed = Listed(c->window);
    for (std::size_t i = 0; i < listed.size(); ++i) {
      if (listed[i] != id_) continue;
      if (direction == NAVDIR_NEXT && i + 1 < listed.size())
        return Object(ControlObject(listed[i + 1]), out);
      if (direction == NAVDIR_PREVIOUS && i > 0) return Object(ControlObject(listed[i - 1]), out);
    }
    return Nothing(out);
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* out) override {
    const NativeControl* c = Native();
    RECT r;
    if (!c || !GetWindowRect(c->hwnd, &r) || !PtInRect(&r, POINT{x, y})) return Nothing(out);
    return Number(CHILDID_SELF, out);
  }

 private:
  explicit ControlAccessible(ControlId id) : id_(id) {}
  const NativeControl* Native() const { return FindControl(id_); }
  const AccessInfo* Info() const { return Native() ? ui::ControlDescription(id_) : nullptr; }

  ControlId id_;
};

// Our own object for a drawn control; the web view's browser speaks for itself.
ComPtr<IDispatch> ControlObject(ControlId id) {
  const ControlState* state = controls::Find(id);
  const NativeControl* native = FindControl(id);
  if (!state || !native) return {};
  if (state->kind != ControlKind::WebView) return ControlAccessible::Create(id);
  ComPtr<IDispatch> browser;
  AccessibleObjectFromWindow(native->hwnd, DWORD(OBJID_WINDOW), IID_IDispatch, browser.OutVoid());
  return browser;
}

std::optional<WindowId> WindowOf(HWND hwnd) {
  for (const auto& [id, native] : State().windows)
    if (native.hwnd == hwnd) return WindowId{id};
  return std::nullopt;
}

std::optional<ControlId> ControlOf(HWND hwnd) {
  for (const auto& [id, native] : State().controls)
    if (native.hwnd == hwnd) return ControlId{id};
  return std::nullopt;
}

// Marks a live label as a polite live region for UI Automation. Once per control.
void MarkLive(HWND hwnd) {
  static ComPtr<IAccPropServices> annotations;
  if (!annotations && FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                              __uuidof(IAccPropServices), annotations.OutVoid())))
    return;
  VARIANT polite;
  VariantInit(&polite);
  polite.vt = VT_I4;
  polite.lVal = kLivePolite;
  annotations->SetHwndProp(hwnd, DWORD(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
}

}  // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  const LONG object = LONG(lparam);
  ComPtr<IDispatch> answer;
  if (const auto window = WindowOf(hwnd)) {
    if (object == OBJID_CLIENT || object == OBJID_WINDOW)
      answer = WindowAccessible::Create(*window, object == OBJID_WINDOW);
  } else if (const auto control = ControlOf(hwnd)) {
    // The control's window object stays the system's; its client is ours.
    if (object == OBJID_CLIENT && ui::ControlDescription(*control))
      answer = ControlAccessible::Create(*control);
  }
  if (!answer) return 0;
  return LresultFromObject(__uuidof(IAccessible), wparam, answer.get());
}

}  // namespace sp::win32ui

namespace sp::backend {

void DescribeControlWidget(ControlId id, const AccessInfo& info, bool announce) {
  using namespace win32ui;
  NativeControl* control = FindControl(id);
  const ControlState* state = controls::Find(id);
  if (!control || !state) return;
  if (info.focusable) AddTabStop(state->window, id);
  if (state->kind == ControlKind::WebView) return;  // the browser speaks for itself
  const std::optional<AccessInfo> before = control->told;
  control->told = info;
  // A label with news to announce is a live region; setting it again changes nothing.
  if (!info.announcement.empty() && !(before && !before->announcement.empty()))
    MarkLive(control->hwnd);
  if (!before) return;  // nobody has heard of it yet
  const HWND hwnd = control->hwnd;
  // A label's news is read out; any other change of a label's text (the countdown's
  // every second) only when asked.
  if (announce) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, hwnd, OBJID_CLIENT, CHILDID_SELF);
  } else if (info.name != before->name && info.role != AccessRole::Label) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
  }
  if (info.description != before->description)
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
  if (info.checked != before->checked)
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace sp::backend

namespace sp::ui {

void DescribeWindow(WindowId id, const std::string& name) {
  win32ui::NativeWindow* native = win32ui::FindWindow(id);
  if (!native || native->access_name == name) return;
  native->access_name = name;
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, native->hwnd, OBJID_WINDOW, CHILDID_SELF);
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, native->hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace sp::ui
