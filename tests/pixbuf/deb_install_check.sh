#!/usr/bin/env bash
# The Debian package on this machine, as a user meets it. It installs and
# removes a package, so scripts/test.sh runs it only on CI or when asked
# (TOVAK_SYSTEM_TESTS=1); run it as root on a machine without tovak
# installed:
#   its file list; `dpkg -i`; the installed converter writes a GIM picture;
#   `xdg-mime query filetype` (as GNOME answers it, through GIO) says
#   image/x-gim for it and for a copy without its extension; the
#   thumbnailer entry's command makes a 128-pixel thumbnail through the
#   system's own loader cache; Eye of GNOME shows the picture under Xvfb,
#   captured to WORK/eog.png for a person to look at (skipped where eog or
#   Xvfb cannot run); `dpkg -r` leaves no file, cache entry or type behind.
#
#   deb_install_check.sh DEB WORK
set -euo pipefail
deb="$(realpath "$1")" work="$2"
fail() { echo "deb_install_check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "dpkg -i needs root"

loaders="$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)"
loader_cache="$(pkg-config --variable=gdk_pixbuf_cache_file gdk-pixbuf-2.0)"
files=(/usr/bin/tovak "$loaders/libpixbufloader-gim.so" /usr/share/mime/packages/tovak.xml
  /usr/share/thumbnailers/tovak-gim.thumbnailer)

listed="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | LC_ALL=C sort)"
[ "$listed" = "$(printf '%s\n' "${files[@]}" | LC_ALL=C sort)" ] ||
  fail "the package holds: $listed"
if dpkg-query -W -f='${Status}' tovak 2>/dev/null | grep -q 'install ok installed'; then
  fail "tovak is installed already: remove it first"
fi

rm -rf "$work"
mkdir -p "$work"
work="$(realpath "$work")"
cleanup() { dpkg -P tovak >/dev/null 2>&1 || true; }
trap cleanup EXIT
dpkg -i "$deb" >/dev/null

# A 300 x 200 picture with alpha, through the installed converter.
convert -size 300x200 gradient:'#ff000080-#0000ffff' "PNG32:$work/picture.png"
tovak encode "$work/picture.png" --format rgba4444 --swizzle >/dev/null
cp "$work/picture.gim" "$work/renamed"
for file in picture.gim renamed; do
  type="$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/$file")"
  [ "$type" = image/x-gim ] || fail "xdg-mime says '$type' for $file"
done

# The thumbnailer entry's own command: %s size, %u input URI, %o output.
exec_line="$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/tovak-gim.thumbnailer)"
command="${exec_line//%s/128}"
command="${command//%u/file://$work/renamed}"
command="${command//%o/$work/thumbnail.png}"
$command
[ "$(identify -format '%m %w x %h' "$work/thumbnail.png")" = "PNG 128 x 85" ] ||
  fail "thumbnail: $(identify "$work/thumbnail.png")"

if command -v eog >/dev/null && command -v xvfb-run >/dev/null; then
  # eog opens the picture through the system's gdk-pixbuf; the root window
  # is captured once it has had time to draw.
  xvfb-run -a -s '-screen 0 640x480x24' sh -c \
    "eog '$work/picture.gim' & sleep 4; import -window root '$work/eog.png'; kill \$!" \
    >/dev/null 2>&1 || true
  if [ -s "$work/eog.png" ]; then echo "deb_install_check: eog's window in $work/eog.png"
  else echo "deb_install_check: eog did not run under Xvfb; no screenshot"; fi
fi

trap - EXIT
dpkg -r tovak >/dev/null
for file in "${files[@]}" /usr/share/mime/image/x-gim.xml; do
  [ ! -e "$file" ] || fail "$file is left after removal"
done
! grep -q gim "$loader_cache" || fail "the loader cache still names the loader"
type="$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/renamed")"
[ "$type" != image/x-gim ] || fail "xdg-mime still knows image/x-gim"
# Only dpkg's record of the removed package (its maintainer scripts) is left.
dpkg -P tovak >/dev/null
echo "deb_install_check: installed, used and removed $(basename "$deb")"
