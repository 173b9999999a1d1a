// The player page's audio reports reach the program through window.external: called as
// the browser control calls a host's object, by name and then with the arguments last
// first. The control itself cannot run under Wine here, so this is where the reports'
// translation into the program's media events is checked.
#include <gtest/gtest.h>

#include <vector>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/headless/headless.h"
#include "platform/win32/win32_webview.h"

namespace sp {
namespace {

std::vector<Event> seen;

void Record(const Event& event) {
  seen.push_back(event);
}

TEST(WindowsMediaReports, BecomeTheWebViewsMediaEvents) {
  headless::Reset();
  seen.clear();
  controls::Add(ControlId::PlayerView, ControlKind::WebView, WindowId::Main, 0, 0);
  Bind(EventClass::Control, WindowId::Main, ControlId::PlayerView, kAny, Record);
  const auto reporter = win32ui::NewMediaReporter(WindowId::Main, ControlId::PlayerView);

  wchar_t report_name[] = L"report", other_name[] = L"navigate";
  LPOLESTR names[] = {report_name};
  DISPID report = DISPID_UNKNOWN;
  ASSERT_EQ(reporter->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &report), S_OK);
  names[0] = other_name;
  DISPID other = 0;
  EXPECT_EQ(reporter->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &other),
            DISP_E_UNKNOWNNAME);

  // The page's script passes whole seconds as integers and the rest as doubles.
  const auto call = [&](const wchar_t* type, VARIANT position) {
    VARIANT args[2];
    args[0] = position;
    VariantInit(&args[1]);
    args[1].vt = VT_BSTR;
    args[1].bstrVal = SysAllocString(type);
    DISPPARAMS params{args, nullptr, 2, 0};
    const HRESULT hr = reporter->Invoke(report, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                        &params, nullptr, nullptr, nullptr);
    SysFreeString(args[1].bstrVal);
    return hr;
  };
  VARIANT whole, part;
  VariantInit(&whole);
  whole.vt = VT_I4;
  whole.lVal = 3;
  VariantInit(&part);
  part.vt = VT_R8;
  part.dblVal = 12.5;
  for (const wchar_t* type :
       {L"play", L"playing", L"seeking", L"pause", L"ended", L"error", L"stalled"})
    EXPECT_EQ(call(type, part), S_OK);
  EXPECT_EQ(call(L"timeupdate", part), S_OK);
  EXPECT_EQ(call(L"timeupdate", whole), S_OK);

  const std::vector<EventType> expected = {
      event_type::MediaPlayRequested, event_type::MediaPlaying, event_type::MediaPaused,
      event_type::MediaEnded,         event_type::MediaError,   event_type::MediaPosition,
      event_type::MediaPosition};
  std::vector<EventType> types;
  for (const Event& e : seen) types.push_back(e.type);
  EXPECT_EQ(types, expected);
  ASSERT_EQ(seen.size(), expected.size());
  EXPECT_DOUBLE_EQ(std::any_cast<double>(seen[5].data), 12.5);
  EXPECT_DOUBLE_EQ(std::any_cast<double>(seen[6].data), 3.0);

  // Once the web view is gone, its reports go nowhere.
  controls::Remove(ControlId::PlayerView);
  EXPECT_EQ(call(L"playing", part), S_OK);
  EXPECT_EQ(seen.size(), expected.size());
  headless::Reset();
}

}  // namespace
}  // namespace sp
