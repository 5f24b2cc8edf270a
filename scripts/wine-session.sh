#!/usr/bin/env bash
# Starts or stops a Wine session for tests or a demo run:
#   wine-session.sh start STATE_DIR [DPI]   prefix, Xvfb display, persistent wineserver
#   wine-session.sh stop STATE_DIR
# STATE_DIR/prefix is a throwaway prefix; STATE_DIR/display holds the display.
set -eu
. "$(dirname "$0")/utf8-locale.sh"
cmd=$1 state=$2 dpi=${3:-96}
export WINEDEBUG=-all WINEPREFIX="$state/prefix"
mkdir -p "$state"

stop() {
  if [ -f "$state/display" ]; then DISPLAY=$(cat "$state/display") wineserver -k 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true; rm -f "$state/xvfb.pid"; fi
  rm -f "$state/display"
}

case "$cmd" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop STATE_DIR [DPI]" >&2; exit 2 ;;
esac

stop
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # wineboot without a display leaves a wineserver whose desktop can show
  # no window; it is ended below before anything runs under Xvfb.
  DISPLAY= wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fonts=/usr/share/wine/fonts
  # Tahoma for the text, Marlett for the close box (else it shows an "r").
  for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
    [ -f "$fonts/$f" ] && cp "$fonts/$f" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
fi
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# A display of our own: Xvfb picks a free number and tells it through a pipe.
rm -f "$state/display.num"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display.num" </dev/null >/dev/null 2>&1 &
echo $! > "$state/xvfb.pid"
for _ in $(seq 100); do [ -s "$state/display.num" ] && break; sleep 0.1; done
[ -s "$state/display.num" ] || { echo "Xvfb did not start" >&2; exit 1; }
echo ":$(head -n1 "$state/display.num")" > "$state/display"
rm -f "$state/display.num"
export DISPLAY=$(cat "$state/display")
# One wineserver for the whole session: every cold start costs seconds.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
