// Win32 backend: the host's side of the system's browser control. One object is its
// client site, the in-place site and frame that in-place activation asks for, the
// document host's UI handler, and the sink of the control's events. One per web view.
#pragma once

#include "platform/win32/windows_api.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>

#include <functional>

#include "platform/win32/win32_com.h"

namespace sp::win32ui {

// A COM object ends in its own Release, never through an interface's destructor, which
// COM interfaces do not have.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IDispatch {
 public:
  // `host`: the child window the control lives in. `external`: what the page's script
  // reaches as window.external. Starts with one reference, the caller's.
  static ComPtr<BrowserSite> Create(HWND host, ComPtr<IDispatch> external);

  // The control, known by its identity only (the site holds no reference: the control
  // holds the site). Its top frame's document-complete events count; a frame's do not.
  void SetBrowser(IUnknown* browser);
  int DocumentsCompleted() const { return documents_completed_; }
  // Called after each top-level document completes.
  void OnDocumentComplete(std::function<void()> callback) { on_complete_ = std::move(callback); }
  // Lets go of everything the site holds; it stays a valid COM object until its last
  // reference goes.
  void Detach();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
  STDMETHODIMP GetContainer(IOleContainer** out) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IOleWindow (of both the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override;

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override;
  STDMETHODIMP OnUIDeactivate(BOOL) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(LPCRECT) override;

  // IOleInPlaceUIWindow and IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override;
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override;
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override;
  STDMETHODIMP RemoveMenus(HMENU) override;
  STDMETHODIMP SetStatusText(LPCOLESTR) override;
  STDMETHODIMP EnableModeless(BOOL) override;  // the UI handler's too
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override;

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP OnDocWindowActivate(BOOL) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override;
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* out, DWORD) override;
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override;
  STDMETHODIMP GetExternal(IDispatch** out) override;
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override;

  // IDispatch: the control's DWebBrowserEvents2
  STDMETHODIMP GetTypeInfoCount(UINT* out) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  BrowserSite(HWND host, ComPtr<IDispatch> external);
  ~BrowserSite() = default;

  ULONG refs_ = 1;
  HWND host_;
  ComPtr<IDispatch> external_;
  IUnknown* browser_ = nullptr;  // identity only, never called
  int documents_completed_ = 0;
  std::function<void()> on_complete_;
};
#pragma GCC diagnostic pop

}  // namespace sp::win32ui
