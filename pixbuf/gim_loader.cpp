// libpixbufloader-gim.so: the gdk-pixbuf loader module for GIM pictures.
// gdk-pixbuf finds it through its loader cache and calls fill_info and
// fill_vtable; every program that loads pictures through gdk-pixbuf then
// opens GIM files.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstdio>
#include <cstring>
#include <new>

#include "pixbuf/pixbuf_from_gim.h"

namespace tovak::pixbuf {
namespace {

// Files of 2 GiB or more are refused unread: a picture small enough to be
// decoded (1 GiB of RGBA pixels) lies well within less, as GIM files are
// laid out.
constexpr gsize kMaxFileBytes = gsize{1} << 31;

// The whole file is collected before decoding: the picture's parts may lie
// anywhere in it, and a partly shown picture would be a wrong one.
struct Collected {
  guint8* data = nullptr;
  gsize size = 0;
  gsize capacity = 0;
};

bool Append(Collected& bytes, const guint8* data, gsize size, GError** error) {
  if (size > kMaxFileBytes - bytes.size) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                "GIM picture refused: file larger than %" G_GSIZE_FORMAT " bytes", kMaxFileBytes);
    return false;
  }
  if (bytes.size + size > bytes.capacity) {
    gsize capacity = bytes.capacity == 0 ? 64 * 1024 : bytes.capacity;
    while (capacity < bytes.size + size) capacity *= 2;
    auto* grown = static_cast<guint8*>(g_try_realloc(bytes.data, capacity));
    if (grown == nullptr) {
      g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                          "GIM picture refused: out of memory");
      return false;
    }
    bytes.data = grown;
    bytes.capacity = capacity;
  }
  if (size != 0) memcpy(bytes.data + bytes.size, data, size);
  bytes.size += size;
  return true;
}

struct Load {
  GdkPixbufModuleSizeFunc size = nullptr;
  GdkPixbufModulePreparedFunc prepared = nullptr;
  GdkPixbufModuleUpdatedFunc updated = nullptr;
  gpointer user_data = nullptr;
  Collected bytes;
};

gpointer BeginLoad(GdkPixbufModuleSizeFunc size, GdkPixbufModulePreparedFunc prepared,
                   GdkPixbufModuleUpdatedFunc updated, gpointer user_data, GError** error) {
  Load* load = new (std::nothrow) Load{size, prepared, updated, user_data, {}};
  if (load == nullptr) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                        "GIM picture refused: out of memory");
  }
  return load;
}

gboolean LoadIncrement(gpointer context, const guchar* data, guint size, GError** error) {
  return Append(static_cast<Load*>(context)->bytes, data, size, error);
}

gboolean StopLoad(gpointer context, GError** error) {
  Load* load = static_cast<Load*>(context);
  GdkPixbuf* pixbuf = PixbufFromGim({load->bytes.data, load->bytes.size}, error);
  g_free(load->bytes.data);
  const bool decoded = pixbuf != nullptr;
  if (decoded) {
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    // The client may ask for another size (the loader scales for it) or, with
    // a size of 0, for none at all.
    int wanted_width = width, wanted_height = height;
    if (load->size != nullptr) load->size(&wanted_width, &wanted_height, load->user_data);
    if (wanted_width != 0 && wanted_height != 0) {
      if (load->prepared != nullptr) load->prepared(pixbuf, nullptr, load->user_data);
      if (load->updated != nullptr) load->updated(pixbuf, 0, 0, width, height, load->user_data);
    }
    g_object_unref(pixbuf);
  }
  delete load;
  return decoded;
}

GdkPixbuf* LoadFile(FILE* file, GError** error) {
  Collected bytes;
  guint8 chunk[64 * 1024];
  bool read = true;
  for (gsize got; read && (got = fread(chunk, 1, sizeof chunk, file)) != 0;) {
    read = Append(bytes, chunk, got, error);
  }
  if (read && ferror(file)) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED,
                        "GIM picture refused: the file cannot be read");
    read = false;
  }
  GdkPixbuf* pixbuf = read ? PixbufFromGim({bytes.data, bytes.size}, error) : nullptr;
  g_free(bytes.data);
  return pixbuf;
}

}  // namespace
}  // namespace tovak::pixbuf

// Both byte orders' file headers: magic, version and "PSP" with its zero
// byte, which a pattern can only ask for by mask ('z': must be zero).
extern "C" G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  static char little[] = "MIG.00.1PSP ";
  static char little_mask[] = "           z";
  static char big[] = ".GIM1.00 PSP";
  static char big_mask[] = "        z   ";
  static GdkPixbufModulePattern signatures[] = {
      {little, little_mask, 100}, {big, big_mask, 100}, {nullptr, nullptr, 0}};
  static char name[] = "gim";
  static char description[] = "GIM picture (PSP)";
  static char mime_type[] = "image/x-gim";
  static char extension[] = "gim";
  static char license[] = "MIT";
  static gchar* mime_types[] = {mime_type, nullptr};
  static gchar* extensions[] = {extension, nullptr};
  info->name = name;
  info->signature = signatures;
  info->description = description;
  info->mime_types = mime_types;
  info->extensions = extensions;
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = license;
}

extern "C" G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = tovak::pixbuf::LoadFile;
  module->begin_load = tovak::pixbuf::BeginLoad;
  module->load_increment = tovak::pixbuf::LoadIncrement;
  module->stop_load = tovak::pixbuf::StopLoad;
}
