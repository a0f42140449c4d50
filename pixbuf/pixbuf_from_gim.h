// One GIM picture, held whole in memory, to a GdkPixbuf: 8-bit RGBA with
// alpha as stored, indexed pictures expanded through their palette.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "gim/byte_view.h"

namespace tovak::pixbuf {

// The picture, or null with `error` set to a GDK_PIXBUF_ERROR whose message
// names why the file was refused.
GdkPixbuf* PixbufFromGim(gim::ByteView bytes, GError** error);

}  // namespace tovak::pixbuf
