// Win32 backend: the browser control tells the program what its page's audio does (plays,
// pauses, ends, fails, and where it is), as the GTK backend's web view does. The page
// itself stays as it is: the host runs a script of its own in it, which calls back
// through window.external.
#include "platform/win32/windows_api.h"

#include <oleauto.h>

#include <any>
#include <cwchar>
#include <optional>
#include <string_view>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/win32/win32_webview.h"

namespace sp::win32ui {

// Media events do not bubble, but they pass the document on their way down, so one
// capturing listener there hears every audio element. A source that cannot be loaded
// fails on its <source> element. The element pauses on its own as it ends, and then the
// end is what counts. The position goes out at most once a second. Written for the
// browser control's own script engine: no arrow functions, and elements are told apart
// by tag name. An element that was already playing when the listener came is told as
// such, since its play and playing events went by unheard.
const char kMediaReportScript[] =
    "(function () {"
    "  var d = document;"
    "  if (!d.addEventListener || d.stationplayerMedia) return;"
    "  d.stationplayerMedia = true;"
    "  var lastPosition = -1;"
    "  var send = function (type, a) {"
    "    try { window.external.report(type, a.currentTime); } catch (e) {}"
    "  };"
    "  var report = function (e) {"
    "    var a = e.target;"
    "    if (a && a.tagName === 'SOURCE') a = a.parentNode;"
    "    if (!a || (a.tagName !== 'AUDIO' && a.tagName !== 'VIDEO')) return;"
    "    if (e.type === 'pause' && a.ended) return;"
    "    if (e.type === 'timeupdate') {"
    "      var now = new Date().getTime();"
    "      if (now - lastPosition < 1000) return;"
    "      lastPosition = now;"
    "    }"
    "    send(e.type, a);"
    "  };"
    "  var types = ['play', 'playing', 'pause', 'ended', 'error', 'timeupdate'];"
    "  for (var i = 0; i < types.length; ++i) d.addEventListener(types[i], report, true);"
    "  var audio = d.getElementsByTagName('audio');"
    "  for (var j = 0; j < audio.length; ++j) {"
    "    if (audio[j].paused) continue;"
    "    send('play', audio[j]);"
    "    if (audio[j].readyState > 2) send('playing', audio[j]);"
    "  }"
    "})();";

namespace {

constexpr DISPID kReport = 1;

std::optional<EventType> MediaEventOf(std::wstring_view type) {
  if (type == L"play") return event_type::MediaPlayRequested;
  if (type == L"playing") return event_type::MediaPlaying;
  if (type == L"pause") return event_type::MediaPaused;
  if (type == L"ended") return event_type::MediaEnded;
  if (type == L"error") return event_type::MediaError;
  if (type == L"timeupdate") return event_type::MediaPosition;
  return std::nullopt;
}

// Ends in its own Release, never through an interface's destructor (see BrowserSite).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class MediaReporter final : public IDispatch {
 public:
  MediaReporter(WindowId window, ControlId control) : window_(window), control_(control) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
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
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (!names[0] || _wcsicmp(names[0], L"report") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = kReport;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    if (id != kReport) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (result) VariantInit(result);
    if (!params || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
    // The arguments come last first: type, then position.
    const VARIANT& type = params->rgvarg[params->cArgs - 1];
    if (type.vt != VT_BSTR || !type.bstrVal) return S_OK;
    const std::optional<EventType> event = MediaEventOf(type.bstrVal);
    if (!event) return S_OK;
    std::any payload;
    if (*event == event_type::MediaPosition) {
      VARIANT position;
      VariantInit(&position);
      const HRESULT converted = VariantChangeType(
          &position, const_cast<VARIANT*>(&params->rgvarg[params->cArgs - 2]), 0, VT_R8);
      if (FAILED(converted)) return S_OK;
      payload = position.dblVal;
    }
    // Raised while the page's script runs, which is inside a message the GUI thread
    // dispatches.
    if (controls::Exists(control_))
      Raise(Event{EventClass::Control, Num(window_), Num(control_), *event, std::move(payload)});
    return S_OK;
  }

 private:
  ~MediaReporter() = default;

  ULONG refs_ = 1;
  WindowId window_;
  ControlId control_;
};
#pragma GCC diagnostic pop

}  // namespace

ComPtr<IDispatch> NewMediaReporter(WindowId window, ControlId control) {
  return ComPtr<IDispatch>::Adopt(new MediaReporter(window, control));
}

}  // namespace sp::win32ui
