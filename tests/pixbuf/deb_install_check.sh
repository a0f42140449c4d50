#!/usr/bin/env bash
# The Debian package on this machine (as root, without tovak installed): its
# file list; dpkg -i; the installed converter writes a GIM picture; xdg-mime,
# answering as on GNOME (through GIO), says image/x-gim for it and for a
# copy without its extension; the thumbnailer entry's command makes a
# 128-pixel thumbnail through the system's loader cache; Eye of GNOME shows
# it under Xvfb, captured to WORK/eog.png for a person to look at (skipped
# where it cannot run); dpkg -r leaves no file, cache entry or type behind.
#
#   deb_install_check.sh DEB WORK
set -euo pipefail
deb="$(realpath "$1")" work="$2"
fail() { echo "deb_install_check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "dpkg -i needs root"
mime() { XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$1"; }

loaders="$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)"
files=(/usr/bin/tovak "$loaders/libpixbufloader-gim.so" /usr/share/mime/packages/tovak.xml
  /usr/share/thumbnailers/tovak-gim.thumbnailer)
listed="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | LC_ALL=C sort)"
[ "$listed" = "$(printf '%s\n' "${files[@]}" | LC_ALL=C sort)" ] || fail "the package holds $listed"
! dpkg-query -W -f='${Status}' tovak 2>/dev/null | grep -q 'ok installed' ||
  fail "tovak is installed already"

rm -rf "$work"
mkdir -p "$work"
work="$(realpath "$work")"
trap 'dpkg -P tovak >/dev/null 2>&1 || true' EXIT
dpkg -i "$deb" >/dev/null
convert -size 300x200 gradient:'#ff000080-#0000ffff' "PNG32:$work/picture.png"
tovak encode "$work/picture.png" --format rgba4444 --swizzle >/dev/null
cp "$work/picture.gim" "$work/renamed"
for file in picture.gim renamed; do
  [ "$(mime "$work/$file")" = image/x-gim ] || fail "xdg-mime says '$(mime "$work/$file")' for $file"
done

# %s: size, %u: input URI, %o: output.
command="$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/tovak-gim.thumbnailer)"
command="${command//%s/128}" command="${command//%u/file://$work/renamed}"
${command//%o/$work/thumbnail.png}
[ "$(identify -format '%m %w x %h' "$work/thumbnail.png")" = "PNG 128 x 85" ] ||
  fail "thumbnail: $(identify "$work/thumbnail.png")"

if command -v eog >/dev/null && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s '-screen 0 640x480x24' sh -c "eog '$work/picture.gim' & sleep 4;
    import -window root '$work/eog.png'; kill \$!" >/dev/null 2>&1 || true
  [ -s "$work/eog.png" ] && echo "deb_install_check: eog's window in $work/eog.png" ||
    echo "deb_install_check: eog did not run under Xvfb; no screenshot"
fi

dpkg -r tovak >/dev/null
for file in "${files[@]}" /usr/share/mime/image/x-gim.xml; do
  [ ! -e "$file" ] || fail "$file is left after removal"
done
! grep -q gim "$(pkg-config --variable=gdk_pixbuf_cache_file gdk-pixbuf-2.0)" ||
  fail "the loader cache still names the loader"
[ "$(mime "$work/renamed")" != image/x-gim ] || fail "xdg-mime still knows image/x-gim"
echo "deb_install_check: $(basename "$deb") installed, used and removed"
