#!/usr/bin/env bash
# Cross-builds the Windows program: scripts/build-windows.sh [BUILD_DIR] [cmake options...]
# Installs the compiler, Wine and the packaging tools when missing, builds libcurl
# (Schannel, static) from Debian's curl source package once into BUILD_DIR/deps, then
# the program into BUILD_DIR/src/stationplayer.exe and its installer and .zip into
# BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=build/windows
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
  dir=$1
  shift
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

wanted=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 dpkg-dev cmake libgtest-dev zlib1g-dev
        icoutils nsis)
missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

toolchain="$root/cmake/mingw-w64.cmake"
deps="$dir/deps"
curl_prefix="$deps/curl"
if [ ! -f "$curl_prefix/lib/libcurl.a" ]; then
  start=$SECONDS
  work="$deps/curl-source"
  rm -rf "$work"
  mkdir -p "$work/lists/partial"
  # A private list of source archives beside the machine's own binary ones, so apt's
  # configuration stays as it is.
  {
    for sources in /etc/apt/sources.list.d/*.sources; do
      [ -f "$sources" ] || continue
      sed -e 's/^Types:.*/Types: deb-src/' "$sources"
      echo
    done
  } >"$work/src.sources"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$work/src.list"
  fi
  apt_private=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts"
               -o Dir::State::Lists="$work/lists")
  mkdir -p "$work/parts"
  cp "$work/src.sources" "$work/parts/"
  [ -f "$work/src.list" ] && cp "$work/src.list" "$work/parts/"
  apt-get "${apt_private[@]}" update -qq
  (cd "$work" && apt-get "${apt_private[@]}" source --download-only -qq curl)
  (cd "$work" && dpkg-source -x --skip-debianization curl_*.dsc src >/dev/null)
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$curl_prefix" \
    -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DBUILD_CURL_EXE=OFF \
    -DHTTP_ONLY=ON -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF \
    -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DENABLE_UNICODE=ON -DBUILD_TESTING=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_USE_LIBPSL=OFF >/dev/null
  cmake --build "$work/build" -j"$(nproc)" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  echo "libcurl built in $((SECONDS - start)) s"
fi

# The built-in pictures and the program's icon are drawn at build time by generators
# that run here, on Linux.
host="$dir/host"
art=("$root"/src/covers/art/icon_art.cpp "$root"/src/covers/art/logo_art.cpp
     "$root"/src/covers/art/png_writer.cpp "$root"/src/covers/art/stroke_font.cpp)
for tool in make_builtin_pictures make_app_icons; do
  if [ ! -x "$host/$tool" ] || [ -n "$(find "$root/src/covers/art" -newer "$host/$tool" -print -quit)" ]; then
    mkdir -p "$host"
    g++ -std=c++20 -O2 -I"$root/src" -o "$host/$tool" "$root/src/covers/art/$tool.cpp" "${art[@]}" -lz
  fi
done

cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DSTATIONPLAYER_WERROR=ON -DCURL_DIR="$curl_prefix/lib/cmake/CURL" \
  -DSTATIONPLAYER_PICTURE_GENERATOR="$host/make_builtin_pictures" \
  -DSTATIONPLAYER_ICON_GENERATOR="$host/make_app_icons" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
# The installer and the .zip: BUILD_DIR/stationplayer-<version>-win64.exe and .zip.
(cd "$dir" && cpack -G "NSIS;ZIP" >/dev/null)
