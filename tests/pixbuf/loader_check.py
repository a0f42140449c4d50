#!/usr/bin/python3
"""GIM pictures through gdk-pixbuf's own API, whole (the module's load) and
fed in pieces (begin_load and the rest): every format, byte order and pixel
order equal to the converter's PNGs (read by gdk-pixbuf's PNG loader),
renamed files found by content, the real samples equal to other decoders'
pixels, and every should-fail input and picture of no pixels refused.

  loader_check.py TOVAK BAD_INPUTS SAMPLES WORK   (run by with_loader.sh)
"""
import os
import shutil
import subprocess
import sys

import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib

tovak, bad_inputs, samples, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
gims, pngs = os.path.join(work, "gim"), os.path.join(work, "png")
os.makedirs(gims)
failures = []


def in_pieces(path):
    loader = GdkPixbuf.PixbufLoader()
    with open(path, "rb") as f:
        data = f.read()
    try:
        for at in range(0, len(data), 97):
            loader.write(data[at:at + 97])
    finally:
        loader.close()  # raises the module's GError, if any
    return loader.get_pixbuf()


def rgba(pixbuf):
    pixbuf = pixbuf if pixbuf.get_has_alpha() else pixbuf.add_alpha(False, 0, 0, 0)
    w, h, stride, data = (pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_rowstride(),
                          pixbuf.get_pixels())
    return w, h, b"".join(data[y * stride:y * stride + w * 4] for y in range(h))


def check(name, path, expected_png=None):
    """Equal to the PNG's pixels, or refused when there is no PNG."""
    expected = rgba(GdkPixbuf.Pixbuf.new_from_file(expected_png)) if expected_png else None
    for how, load in (("whole", GdkPixbuf.Pixbuf.new_from_file), ("in pieces", in_pieces)):
        try:
            got = rgba(load(path))
            if got != expected:
                failures.append(f"{name} {how}: {got[:2]} not {expected and expected[:2]}, "
                                "or pixels differ")
        except GLib.Error as e:
            with open(path, "rb") as f:  # else no loader was asked
                ours = f.read(12) in (b"MIG.00.1PSP\0", b".GIM1.00\0PSP")
            if expected or (ours and "GIM picture refused: " not in e.message):
                failures.append(f"{name} {how}: {e.message}")


def write_png(name, width, height, pixel):
    data = bytes(c for y in range(height) for x in range(width) for c in pixel(x, y))
    GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(data), GdkPixbuf.Colorspace.RGB, True, 8,
                                    width, height, width * 4).savev(name, "png", [], [])


# Odd widths (rows padded in the file), heights of whole tile rows (as
# swizzled DXT needs), alpha of every kind; 16 colours for the indexed.
sixteen = [(i * 16, 255 - i * 11, i * 37 % 256, 255 if i % 3 else i * 8) for i in range(16)]
names = []
for fmt in ("rgba8888", "rgba5650", "rgba5551", "rgba4444", "index4", "index8",
            "dxt1", "dxt3", "dxt5", "dxt1_ext", "dxt3_ext", "dxt5_ext"):
    for options in ([], ["--big-endian"], ["--swizzle"], ["--big-endian", "--swizzle"]):
        name = "-".join([fmt] + [o[2:] for o in options])
        png = os.path.join(gims, name + ".png")
        if fmt.startswith("index"):
            write_png(png, 21, 16, lambda x, y: sixteen[(x + 2 * y) % 16])
        else:
            write_png(png, 37, 24, lambda x, y: (x * 7, y * 10, x * y % 256, (x * 13 + y * 29) % 256))
        subprocess.run([tovak, "encode", png, "--format", fmt] + options, check=True,
                       stdout=subprocess.DEVNULL)
        os.remove(png)
        names.append(name)
subprocess.run([tovak, "convert", gims, "-o", pngs], check=True, stdout=subprocess.DEVNULL)
for name in names:
    check(name, os.path.join(gims, name + ".gim"), os.path.join(pngs, name + ".png"))

for name in ("rgba8888", "dxt5-big-endian-swizzle"):
    for renamed in ("no-extension", "picture.png"):
        shutil.copy(os.path.join(gims, name + ".gim"), os.path.join(work, renamed))
        check(f"{name} as {renamed}", os.path.join(work, renamed), os.path.join(pngs, name + ".png"))

for sample in ("index8-64x64", "index4-swizzled-64x32"):
    check(sample, os.path.join(samples, sample + ".gim"),
          os.path.join(samples, sample + ".expected.png"))

bad = [name for name in sorted(os.listdir(bad_inputs)) if name.endswith(".gim")]
for name in bad:
    check(name, os.path.join(bad_inputs, name))

# The width and height fields lie at 8 and 10 of the image header, at 64.
with open(os.path.join(gims, "rgba8888.gim"), "rb") as f:
    sound = f.read()
for field in (72, 74):
    with open(os.path.join(work, "empty.gim"), "wb") as f:
        f.write(sound[:field] + b"\0\0" + sound[field + 2:])
    check(f"0 at {field}", os.path.join(work, "empty.gim"))

print("\n".join(failures))
print(f"{len(names)} pictures, 4 renamed, 2 samples, {len(bad)} bad inputs, "
      f"2 empty pictures: {len(failures)} failures")
sys.exit(1 if failures else 0)
