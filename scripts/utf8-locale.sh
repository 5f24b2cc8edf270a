# Sourced by every script that starts Wine. Wine turns Windows file names into
# Unix ones in the locale's character set, so without a UTF-8 locale (a plain
# Debian machine has no LANG at all) no file with a non-ASCII name can be
# made. A locale that is not installed counts as not UTF-8: glibc falls back
# to ASCII then. C.UTF-8 is always there.
case "$(locale charmap 2>/dev/null || true)" in
  UTF-8 | utf8) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac
