#!/usr/bin/env bash
# The run command: builds Tessarine (the window and the console program) and
# opens its window under Wine.
#   Without WINEPREFIX: a throwaway prefix below the build folder, seeded
#   with demo products. With WINEPREFIX: that prefix as it is, nothing seeded.
#   Without a display: Xvfb is started, the window is photographed and the
#   picture's path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/utf8-locale.sh
root=$PWD
build=${BUILD_DIR:-build}
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target Tessarine TessarineConsole -j"$(nproc)" >/dev/null

export WINEDEBUG=-all
seed=no
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$root/$build/demo/prefix"
  seed=yes
fi
headless=no
[ -n "${DISPLAY:-}" ] || headless=yes

mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  DISPLAY= wineboot -i >/dev/null 2>&1
  # Tahoma for the text, Marlett for the close box (else it shows an "r").
  for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
    [ -f "/usr/share/wine/fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  # Without a window manager Wine pauses whenever a managed window closes.
  [ "$headless" = no ] || wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
fi

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
if [ "$headless" = yes ]; then
  state=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$state/display")"
  trap cleanup EXIT
fi

if [ "$seed" = yes ]; then
  # The registry editor reads version 5 files as UTF-16 with a byte order mark.
  iconv -f UTF-8 -t UTF-16 scripts/demo-registry.reg.txt > "$WINEPREFIX/drive_c/demo-registry.reg"
  wine regedit /s 'C:\demo-registry.reg'
fi

# The working folder: restore files go next to the program.
work="$WINEPREFIX/drive_c/Tessarine Demo"
mkdir -p "$work"
cp "$build/Tessarine.exe" "$build/Tessarine.com" "$work/"
echo "Working folder: $work"

if [ "$headless" = no ]; then
  exec wine "$work/Tessarine.exe"
fi
wine "$work/Tessarine.exe" &
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Velmora Tessarine"' && break
  sleep 0.2
done
sleep 1
shot="$root/$build/demo/window.png"
import -window root "$shot"
echo "Screenshot: $shot"
