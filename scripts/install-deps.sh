#!/usr/bin/env bash
# Installs from Debian's archive what building, running and testing need,
# only when something is missing.
set -eu
pkgs="cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine
      xvfb xauth x11-utils googletest imagemagick"
missing=""
for p in $pkgs; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
# dpkg refuses to run without ldconfig and start-stop-daemon on the PATH,
# and an emptied environment (env -i PATH=/usr/bin:/bin) has no sbin folder.
export PATH="$PATH:/usr/sbin:/sbin"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
