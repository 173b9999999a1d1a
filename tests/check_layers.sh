#!/bin/sh
# Keeps the walls between the layers: the platform layer includes nothing of the program
# above it, toolkit headers stay in the Linux desktop backend, Windows headers in the
# Windows backend, and the Unicode library in the platform layer.
#   tests/check_layers.sh SRC_DIR     lists every breach; fails when there is one
#   tests/check_layers.sh --self-test SRC_DIR
#                                     plants one breach of each kind in a copy of SRC_DIR
#                                     and fails unless each is caught
set -u

check() {
  breaches=$(
    cd "$1" || exit 1
    # The program's own modules, from below.
    grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(app|ui|station|covers|player)/' platform
    # GTK, GDK, cairo, pango, gdk-pixbuf, GLib, GIO, ATK, WebKit, GStreamer, X11, AT-SPI.
    grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](gtk|gdk|gdk-pixbuf|cairo|pango|glib|gio|atk|webkit2|webkit|jsc|JavaScriptCore|libsoup|gst|X11|atspi)[/.-]' . |
      grep -vE '^\./platform/(gtk|linux)/'
    # Windows' own headers, and the backend's header of them.
    grep -rniE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((windows|windowsx|winuser|winbase|ole2|oleauto|olectl|oleacc|objbase|objidl|ocidl|shlobj|shellapi|shlwapi|commctrl|exdisp|exdispid|mshtml|mshtmhst|docobj|wincodec|uiautomation|dwmapi|io)\.h|platform/win32/)' . |
      grep -vE '^\./platform/win32/'
    # ICU.
    grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<unicode/' . | grep -vE '^\./platform/'
  )
  if [ -n "$breaches" ]; then
    echo "Includes across the layers' walls:"
    echo "$breaches" | sed 's|^\./||; s|^|  src/|'
    return 1
  fi
  return 0
}

if [ "${1:-}" = --self-test ]; then
  src=$2
  tmp=$(mktemp -d) || exit 1
  trap 'rm -rf "$tmp"' EXIT
  status=0
  for plant in 'platform/events.cpp:#include "app/app_data.h"' \
               'ui/main_window.cpp:#include <gtk/gtk.h>' \
               'covers/cover_art.cpp:#include <Windows.h>' \
               'platform/gtk/gtk_app.cpp:#include "platform/win32/win32_state.h"' \
               'app/startup.cpp:#include <unicode/uchar.h>'; do
    rm -rf "$tmp/src"
    cp -R "$src" "$tmp/src"
    file=${plant%%:*}
    printf '%s\n' "${plant#*:}" >>"$tmp/src/$file"
    if check "$tmp/src" >/dev/null; then
      echo "not caught: ${plant#*:} in src/$file"
      status=1
    fi
  done
  check "$src" || status=1
  exit $status
fi
check "${1:?usage: check_layers.sh [--self-test] SRC_DIR}"
