// Test support: a window that holds nothing but the platform layer's web view, showing
// the page given as the first argument, so a test can drive the view with pages of
// its own. Usage: e2e_webview_host PAGE_HTML
#include "platform/ui.h"

int main(int argc, char** argv) {
  using namespace sp;
  if (argc != 2 || !ui::Init()) return 1;
  if (!ui::CreateWindow(
          {WindowId::Main, "web view host", 0, 0, 300, 100, {0, 0, 0}, WindowId::None}))
    return 1;
  if (!ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 0, 0, 300, 100})) return 1;
  ui::SetWebViewHtml(ControlId::PlayerView, argv[1]);
  ui::ShowWindow(WindowId::Main);
  ui::RunLoop();
}
