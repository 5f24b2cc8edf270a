#!/usr/bin/env bash
# Runs one Windows program under Wine inside the test session that
# scripts/wine-session.sh started: its prefix, its display, its wineserver.
set -u
. "$(dirname "$0")/../scripts/utf8-locale.sh"
state=${TESSARINE_WINE_STATE:?TESSARINE_WINE_STATE names the test session folder}
export WINEPREFIX="$state/prefix"
export DISPLAY="$(cat "$state/display")"
export WINEDEBUG=-all
# The Wine console ends lines with CR LF; ctest and people read LF.
wine "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
