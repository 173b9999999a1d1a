// Win32 backend: what the web view's files share. GUI thread only.
#pragma once

#include "platform/win32/windows_api.h"

#include <oaidl.h>

#include "platform/ids.h"
#include "platform/win32/win32_com.h"

namespace sp::win32ui {

// What page script reaches as window.external: report(type, position) raises the
// control's Media* event for the audio element's event `type` (see the script below).
ComPtr<IDispatch> NewMediaReporter(WindowId window, ControlId control);
// Script run in the page by the host: it makes every audio element of the document report
// to window.external. Running it again in the same document adds nothing.
extern const char kMediaReportScript[];

}  // namespace sp::win32ui
