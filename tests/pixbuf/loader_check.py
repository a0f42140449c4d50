#!/usr/bin/python3
"""GIM pictures loaded through gdk-pixbuf by python3-gi, with the loader module
and image/x-gim found through the environment that environment.sh makes:
every format, byte order and pixel order, whole files and fed in pieces,
equal to the converter's PNGs (read by gdk-pixbuf's own PNG loader); renamed
files found by their content; the real samples equal to other decoders'
pixels; every should-fail input and pictures of no pixels refused.

  loader_check.py TOVAK BAD_INPUTS SAMPLES WORK
"""
import os
import shutil
import subprocess
import sys

tovak, bad_inputs, samples, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib

failures = []
MAGICS = (b"MIG.00.1PSP\0", b".GIM1.00\0PSP")


def rgba(pixbuf):
    """The pixels as tightly packed RGBA rows, opaque where there is no alpha."""
    if not pixbuf.get_has_alpha():
        pixbuf = pixbuf.add_alpha(False, 0, 0, 0)
    w, h, stride = pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_rowstride()
    data = pixbuf.get_pixels()
    return w, h, b"".join(data[y * stride:y * stride + w * 4] for y in range(h))


def load_in_pieces(path):
    loader_ = GdkPixbuf.PixbufLoader()
    with open(path, "rb") as f:
        data = f.read()
    try:
        for at in range(0, len(data), 97):
            loader_.write(data[at:at + 97])
    finally:
        loader_.close()  # raises the loader's error, if any
    return loader_.get_pixbuf()


def expect_same(name, path, expected_png):
    expected = rgba(GdkPixbuf.Pixbuf.new_from_file(expected_png))
    for how, load in (("whole", GdkPixbuf.Pixbuf.new_from_file), ("pieces", load_in_pieces)):
        try:
            got = rgba(load(path))
        except GLib.Error as e:
            failures.append(f"{name} ({how}): {e.message}")
            continue
        if got != expected:
            at = next((i for i in range(0, min(len(got[2]), len(expected[2])), 4)
                       if got[2][i:i + 4] != expected[2][i:i + 4]), None)
            failures.append(f"{name} ({how}): {got[:2]}, {expected[:2]} expected; pixel "
                            f"{at // 4 if at is not None else '-'} differs")


def expect_refused(name, path):
    with open(path, "rb") as f:
        ours = f.read(12) in MAGICS  # else gdk-pixbuf finds no loader at all
    for how, load in (("whole", GdkPixbuf.Pixbuf.new_from_file), ("pieces", load_in_pieces)):
        try:
            load(path)
            failures.append(f"{name} ({how}): loaded")
        except GLib.Error as e:
            if ours and "GIM picture refused: " not in e.message:
                failures.append(f"{name} ({how}): refused without a reason: {e.message}")


def write_png(path, width, height, pixel):
    data = bytes(c for y in range(height) for x in range(width) for c in pixel(x, y))
    GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(data), GdkPixbuf.Colorspace.RGB, True, 8,
                                    width, height, width * 4).savev(path, "png", [], [])


# Odd widths (rows padded in the file), heights of whole tile rows (a
# swizzled DXT picture must have them), alpha of every kind.
sources = os.path.join(work, "sources")
os.makedirs(sources)
write_png(os.path.join(sources, "rich.png"), 37, 24,
          lambda x, y: (x * 7 % 256, y * 10, x * y % 256, (x * 13 + y * 29) % 256))
sixteen = [(i * 16, 255 - i * 11, i * 37 % 256, 255 if i % 3 else i * 8) for i in range(16)]
write_png(os.path.join(sources, "sixteen.png"), 21, 16, lambda x, y: sixteen[(x + 2 * y) % 16])

formats = ["rgba8888", "rgba5650", "rgba5551", "rgba4444", "index4", "index8",
           "dxt1", "dxt3", "dxt5", "dxt1_ext", "dxt3_ext", "dxt5_ext"]
gims, pngs = os.path.join(work, "gim"), os.path.join(work, "png")
os.makedirs(gims)
names = []
for fmt in formats:
    source = os.path.join(sources, "sixteen.png" if fmt.startswith("index") else "rich.png")
    for order in ("le", "be"):
        for pixels in ("normal", "swizzled"):
            name = f"{fmt}-{order}-{pixels}"
            shutil.copy(source, os.path.join(gims, name + ".png"))
            subprocess.run([tovak, "encode", os.path.join(gims, name + ".png"), "--format", fmt]
                           + (["--big-endian"] if order == "be" else [])
                           + (["--swizzle"] if pixels == "swizzled" else []),
                           check=True, stdout=subprocess.DEVNULL)
            os.remove(os.path.join(gims, name + ".png"))
            names.append(name)
subprocess.run([tovak, "convert", gims, "-o", pngs], check=True, stdout=subprocess.DEVNULL)
for name in names:
    expect_same(name, os.path.join(gims, name + ".gim"), os.path.join(pngs, name + ".png"))

# Found by content whatever the name says.
for name in ("rgba8888-le-normal", "dxt5-be-swizzled"):
    for renamed in ("no-extension", "picture.png"):
        path = os.path.join(work, f"{name}-{renamed}")
        shutil.copy(os.path.join(gims, name + ".gim"), path)
        expect_same(f"{name} as {renamed}", path, os.path.join(pngs, name + ".png"))

for sample in ("index8-64x64", "index4-swizzled-64x32"):
    expect_same(sample, os.path.join(samples, sample + ".gim"),
                os.path.join(samples, sample + ".expected.png"))

bad = sorted(os.listdir(bad_inputs))
for name in bad:
    if name.endswith(".gim"):
        expect_refused(name, os.path.join(bad_inputs, name))

# Width and height lie at 8 and 10 of the image header, which starts at 64
# in the files the encoder lays out.
with open(os.path.join(gims, "rgba8888-le-normal.gim"), "rb") as f:
    sound = f.read()
for field, name in ((72, "no-width"), (74, "no-height")):
    path = os.path.join(work, name + ".gim")
    with open(path, "wb") as f:
        f.write(sound[:field] + b"\0\0" + sound[field + 2:])
    expect_refused(name, path)

for failure in failures:
    print("FAIL", failure)
print(f"{len(names)} pictures, 4 renamed, 2 samples, {len(bad) - 1} bad inputs, "
      f"2 empty pictures: {len(failures)} failures")
sys.exit(1 if failures else 0)
