// Win32 backend: the embedded web view, the system's browser control hosted in place in a
// child window of its own class. Creation waits, bounded, for a blank document; the page
// goes in through the document's IPersistStreamInit; keys reach it from the event loop.
#include "platform/win32/windows_api.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/controls.h"
#include "platform/win32/win32_browser_site.h"
#include "platform/win32/win32_state.h"
#include "platform/win32/win32_webview.h"

namespace sp::win32ui {
namespace {

constexpr wchar_t kWebViewClass[] = L"StationPlayerWebView";

// How long creation waits for the blank document. On Windows the control's first document
// completes in well under a second, even on a cold start that loads the HTML engine; five
// seconds leave a slow, busy machine ample room while a control that never completes
// holds the main window back no longer than a user would wait for it. The same bound as
// the GTK backend's.
constexpr ULONGLONG kBlankDocumentWaitMs = 5000;

struct WebView {
  WindowId window = WindowId::None;
  ControlId control = ControlId::None;
  HWND host = nullptr;
  ComPtr<BrowserSite> site;
  ComPtr<IOleObject> ole;
  ComPtr<IWebBrowser2> browser;
  ComPtr<IConnectionPoint> events;
  DWORD cookie = 0;
  bool page_set = false;
};

std::map<std::int64_t, WebView>& Views() {
  static std::map<std::int64_t, WebView> views;
  return views;
}

WebView* FindView(ControlId id) {
  auto it = Views().find(Num(id));
  return it == Views().end() ? nullptr : &it->second;
}

// Dispatches every message waiting now, once; a quit request stays for the event loop.
void DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

ComPtr<IHTMLWindow2> ScriptWindow(const WebView& view) {
  ComPtr<IDispatch> document;
  if (!view.browser || FAILED(view.browser->get_Document(document.Out())) || !document) return {};
  const auto html = document.As<IHTMLDocument2>();
  ComPtr<IHTMLWindow2> window;
  if (!html || FAILED(html->get_parentWindow(window.Out()))) return {};
  return window;
}

// Runs script in the page without waiting for anything it starts.
bool RunScript(const WebView& view, const std::string& script) {
  const ComPtr<IHTMLWindow2> window = ScriptWindow(view);
  if (!window) return false;
  const Bstr text(Wide(script).c_str());
  const Bstr language(L"JavaScript");
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = window->execScript(text.get(), language.get(), &result);
  VariantClear(&result);
  if (SUCCEEDED(hr)) return true;
  // A document in the newest mode may refuse execScript; eval does the same there.
  wchar_t eval_name[] = L"eval";
  LPOLESTR names[] = {eval_name};
  DISPID eval = DISPID_UNKNOWN;
  if (FAILED(window->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &eval))) return false;
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = text.get();  // still owned by `text`
  DISPPARAMS params{&argument, nullptr, 1, 0};
  hr = window->Invoke(eval, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                      nullptr, nullptr);
  VariantClear(&result);
  return SUCCEEDED(hr);
}

// Makes the page's audio report to the program: once the page is in, and again at each
// document it completes (the script itself skips a document it is already in).
void ListenToMedia(const WebView& view) {
  if (view.page_set) RunScript(view, kMediaReportScript);
}

void OnDocumentComplete(ControlId id) {
  if (const WebView* view = FindView(id)) ListenToMedia(*view);
}

// Lets go of the control in the reverse order of its making: events, in-place activation,
// the site, then the host window.
void Release(WebView& view) {
  if (view.events && view.cookie) view.events->Unadvise(view.cookie);
  view.events.Reset();
  view.cookie = 0;
  if (view.browser) view.browser->Stop();
  if (view.ole) {
    if (const auto in_place = view.ole.As<IOleInPlaceObject>()) in_place->InPlaceDeactivate();
    view.ole->Close(OLECLOSE_NOSAVE);
    view.ole->SetClientSite(nullptr);
  }
  view.browser.Reset();
  view.ole.Reset();
  if (view.site) view.site->Detach();
  view.site.Reset();
  if (view.host) DestroyWindow(view.host);
  view.host = nullptr;
}

// The control, in place in the host window, listened to, on its way to "about:blank".
bool Embed(WebView& view) {
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              view.ole.OutVoid())))
    return false;
  view.site = BrowserSite::Create(view.host, NewMediaReporter(view.window, view.control));
  if (FAILED(view.ole->SetClientSite(view.site.get()))) return false;
  OleSetContainedObject(view.ole.get(), TRUE);
  RECT area;
  GetClientRect(view.host, &area);
  if (FAILED(view.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, view.site.get(), 0, view.host,
                              &area)))
    return false;
  view.browser = view.ole.As<IWebBrowser2>();
  const auto container = view.ole.As<IConnectionPointContainer>();
  if (!view.browser || !container ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, view.events.Out())) ||
      FAILED(view.events->Advise(static_cast<IDispatch*>(view.site.get()), &view.cookie)))
    return false;
  view.site->SetBrowser(view.browser.get());
  view.site->OnDocumentComplete([id = view.control] { OnDocumentComplete(id); });
  const Bstr blank(L"about:blank");
  VARIANT url, none;
  VariantInit(&url);
  VariantInit(&none);
  url.vt = VT_BSTR;
  url.bstrVal = blank.get();  // still owned by `blank`
  return SUCCEEDED(view.browser->Navigate2(&url, &none, &none, &none, &none));
}

// Tests under Wine, whose control never completes a document: the control is kept, as
// the GTK backend keeps a late view, so that what the program builds on its web view
// runs there too.
bool KeepLateView() {
#ifdef STATIONPLAYER_FAULTS
  return std::getenv("STATIONPLAYER_KEEP_LATE_WEB_VIEW") != nullptr;
#else
  return false;
#endif
}

// Keeps the event loop turning until the blank document is complete, or the wait is up.
bool WaitForBlankDocument(const WebView& view) {
  const ULONGLONG until = GetTickCount64() + kBlankDocumentWaitMs;
  while (view.site->DocumentsCompleted() == 0) {
    if (GetTickCount64() >= until) return false;
    DispatchPending();
    Sleep(1);
  }
  return true;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE) {
    const WebView* view = FindView(ControlId{GetWindowLongPtrW(hwnd, GWLP_USERDATA)});
    const auto in_place = view ? view->ole.As<IOleInPlaceObject>() : ComPtr<IOleInPlaceObject>();
    if (in_place) {
      RECT area;
      GetClientRect(hwnd, &area);
      in_place->SetObjectRects(&area, &area);
    }
    return 0;
  }
  if (message == WM_SETFOCUS) {
    // Tab reached the web view: the keyboard goes on into the page.
    const WebView* view = FindView(ControlId{GetWindowLongPtrW(hwnd, GWLP_USERDATA)});
    if (view && view->ole && view->site) {
      RECT area;
      GetClientRect(hwnd, &area);
      view->ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, view->site.get(), 0, hwnd, &area);
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool RegisterHostClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = State().instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The page's own colour, so nothing flashes before it paints.
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWebViewClass;
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

bool IsBrowserWindow(HWND hwnd) {
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, int(std::size(name)));
  return std::wcscmp(name, L"Shell DocObject View") == 0 ||
         std::wcscmp(name, L"Shell Embedding") == 0;
}

// The focus is in the control when the focused window's parents, through the control's
// own windows, lead up to the host window.
bool FocusInside(HWND host, HWND focus) {
  HWND parent = focus ? GetParent(focus) : nullptr;
  while (parent && parent != host && IsBrowserWindow(parent)) parent = GetParent(parent);
  return parent && parent == host;
}

}  // namespace

bool OfferToWebView(MSG& msg) {
  // Enter never goes to the page.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) return false;
  HWND focus = GetFocus();
  if (!focus) return false;
  for (const auto& [id, view] : Views()) {
    if (!view.browser || !FocusInside(view.host, focus)) continue;
    const auto active = view.browser.As<IOleInPlaceActiveObject>();
    return active && active->TranslateAccelerator(&msg) == S_OK;
  }
  return false;
}

void ReleaseWebViews() {
  for (auto& [id, view] : Views()) Release(view);
  Views().clear();
}

}  // namespace sp::win32ui

namespace sp::ui {

using namespace win32ui;

bool CreateWebView(const ControlSpec& desc) {
  NativeWindow* window = FindWindow(desc.window);
  if (!window || desc.id == ControlId::None || !RegisterHostClass()) return false;
  if (WebView* old = FindView(desc.id)) Release(*old);
  Views().erase(Num(desc.id));
  if (NativeControl* old = FindControl(desc.id)) DestroyWindow(old->hwnd);
  State().controls.erase(Num(desc.id));
  controls::Remove(desc.id);

  const Dpi& dpi = State().dpi;
  const int x = dpi.ToPxX(desc.x), y = dpi.ToPxY(desc.y);
  // Cut at the client area's edge, as every control is.
  const int w = std::max(0, std::min(dpi.ToPxX(desc.width), window->width_px - x));
  const int h = std::max(0, std::min(dpi.ToPxY(desc.height), window->height_px - y));
  HWND host = CreateWindowExW(0, kWebViewClass, L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, w, h,
                              window->hwnd, nullptr, State().instance, nullptr);
  if (!host) return false;
  SetWindowLongPtrW(host, GWLP_USERDATA, LONG_PTR(Num(desc.id)));
  SetWindowPos(host, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  WebView& view = Views()[Num(desc.id)];
  view.window = desc.window;
  view.control = desc.id;
  view.host = host;
  const bool embedded = Embed(view);
  if (!embedded || (!WaitForBlankDocument(view) && !KeepLateView())) {
    // The web view could not be created: the program goes on without its player.
    Release(view);
    Views().erase(Num(desc.id));
    return false;
  }
  NativeControl native;
  native.hwnd = host;
  native.window = desc.window;
  State().controls[Num(desc.id)] = native;
  controls::Add(desc.id, ControlKind::WebView, desc.window, 0, 0);
  return true;
}

bool SetWebViewHtml(ControlId id, const std::string& html) {
  WebView* view = FindView(id);
  if (!view || !view->browser) return false;
  ComPtr<IDispatch> document;
  if (FAILED(view->browser->get_Document(document.Out())) || !document) return false;
  const auto persist = document.As<IPersistStreamInit>();
  if (!persist) return false;
  // The text as it is (UTF-8, no byte-order mark), its terminating zero and one more.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, html.size() + 2);
  if (!block) return false;
  void* bytes = GlobalLock(block);
  if (!bytes) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(bytes, html.data(), html.size());
  GlobalUnlock(block);
  HRESULT hr;
  {
    // The stream leaves the block to us: it is freed below, after the stream is gone.
    ComPtr<IStream> stream;
    hr = CreateStreamOnHGlobal(block, FALSE, stream.Out());
    if (SUCCEEDED(hr)) {
      hr = persist->Load(stream.get());
      DispatchPending();
    }
  }
  GlobalFree(block);
  if (FAILED(hr)) return false;
  view = FindView(id);  // the messages just dispatched may have let it go
  if (!view) return false;
  view->page_set = true;
  ListenToMedia(*view);
  return true;
}

bool RunWebViewScript(ControlId id, const std::string& script) {
  const WebView* view = FindView(id);
  if (!view || !view->browser) return false;
  // A document the page's load left without the media listener gets it first.
  ListenToMedia(*view);
  RunScript(*view, script);
  return true;
}

}  // namespace sp::ui
