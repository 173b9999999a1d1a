// Win32 backend: the browser control's host site. It answers what in-place activation
// asks, shows no user interface of its own and changes none of the control's settings
// that the page could notice: the context menu and script stay the browser's own.
#include "platform/win32/win32_browser_site.h"

#include <exdispid.h>

namespace sp::win32ui {

ComPtr<BrowserSite> BrowserSite::Create(HWND host, ComPtr<IDispatch> external) {
  return ComPtr<BrowserSite>::Adopt(new BrowserSite(host, std::move(external)));
}

BrowserSite::BrowserSite(HWND host, ComPtr<IDispatch> external)
    : host_(host), external_(std::move(external)) {}

void BrowserSite::SetBrowser(IUnknown* browser) {
  // Compared by identity: the object's IUnknown, whatever interface it came through.
  ComPtr<IUnknown> identity;
  if (browser) browser->QueryInterface(IID_IUnknown, identity.OutVoid());
  browser_ = identity.get();
}

void BrowserSite::Detach() {
  external_.Reset();
  browser_ = nullptr;
  on_complete_ = nullptr;
}

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite)
    *out = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
    *out = static_cast<IOleInPlaceSite*>(this);
  else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
    *out = static_cast<IOleInPlaceFrame*>(this);
  else if (riid == IID_IDocHostUIHandler)
    *out = static_cast<IDocHostUIHandler*>(this);
  else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
    *out = static_cast<IDispatch*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() {
  return ++refs_;
}

STDMETHODIMP_(ULONG) BrowserSite::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// IOleClientSite: the control is never saved, named or put in a container.
STDMETHODIMP BrowserSite::SaveObject() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP BrowserSite::ShowObject() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnShowWindow(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::RequestNewObjectLayout() {
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host_;
  return S_OK;
}
STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

// IOleInPlaceSite: the control fills the host window.
STDMETHODIMP BrowserSite::CanInPlaceActivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceActivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnUIActivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  AddRef();
  *frame = static_cast<IOleInPlaceFrame*>(this);
  *document = nullptr;  // no document window apart from the frame
  GetClientRect(host_, position);
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = GetAncestor(host_, GA_ROOT);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}
STDMETHODIMP BrowserSite::Scroll(SIZE) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceDeactivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::DiscardUndoState() {
  return S_OK;
}
STDMETHODIMP BrowserSite::DeactivateAndUndo() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT) {
  return S_OK;
}

// IOleInPlaceFrame: no menus, tool space or status line to share.
STDMETHODIMP BrowserSite::GetBorder(LPRECT) {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS) {
  return OLE_E_INVALIDRECT;
}
STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) {
  return S_OK;
}
STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) {
  return S_OK;
}
STDMETHODIMP BrowserSite::RemoveMenus(HMENU) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR) {
  return S_OK;
}
STDMETHODIMP BrowserSite::EnableModeless(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, WORD) {
  return S_FALSE;  // the frame has no accelerators of its own
}

// IDocHostUIHandler
STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  // S_FALSE: the host shows nothing, so the browser shows its own menu. Only the page's
  // oncontextmenu handler suppresses it.
  return S_FALSE;
}
STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info || info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
  // The control's sunken 3D frame would eat into a view only 40 pixels high; nothing
  // else differs from the browser's defaults.
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}
STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
  return S_OK;  // there are no menus or tool bars to show
}
STDMETHODIMP BrowserSite::HideUI() {
  return S_OK;
}
STDMETHODIMP BrowserSite::UpdateUI() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnDocWindowActivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnFrameWindowActivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
  return S_FALSE;  // every key goes its usual way through the browser
}
STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* out, DWORD) {
  if (out) *out = nullptr;
  return S_FALSE;  // the browser's own settings
}
STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetExternal(IDispatch** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!external_) return S_FALSE;
  *out = ComPtr<IDispatch>(external_).Detach();
  return S_OK;
}
STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
  if (out) *out = nullptr;
  return S_FALSE;
}
STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** out) {
  if (out) *out = nullptr;
  return S_FALSE;
}

// IDispatch: only the events are called, by number, so there are no names or types.
STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* out) {
  if (out) *out = 0;
  return S_OK;
}
STDMETHODIMP BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                 EXCEPINFO*, UINT*) {
  if (id != DISPID_DOCUMENTCOMPLETE || !params || params->cArgs < 2) return S_OK;
  // The arguments come last first: the frame whose document completed, then its URL.
  const VARIANT& frame = params->rgvarg[1];
  if (frame.vt != VT_DISPATCH || !frame.pdispVal || !browser_) return S_OK;
  ComPtr<IUnknown> identity;
  frame.pdispVal->QueryInterface(IID_IUnknown, identity.OutVoid());
  if (identity.get() != browser_) return S_OK;
  ++documents_completed_;
  // The site and the callback are kept alive through the call: it may let go of the web
  // view, and with it of the site's callback.
  const ComPtr<BrowserSite> self = ComPtr<BrowserSite>::Share(this);
  const std::function<void()> callback = on_complete_;
  if (callback) callback();
  return S_OK;
}

}  // namespace sp::win32ui
