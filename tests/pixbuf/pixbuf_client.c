/* A gdk-pixbuf client of our own, for running the loader module under the
 * sanitizers (python3-gi cannot load a sanitized module without preloading
 * their runtime). Every file is loaded whole and fed in pieces.
 *
 *   pixbuf_client load GIM...       each loads
 *   pixbuf_client same GIM PNG      equal RGBA pixels
 *   pixbuf_client refuse DIR        every .gim file in DIR fails with a GError
 */
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdio.h>
#include <string.h>

static GdkPixbuf* LoadInPieces(const char* path, GError** error) {
  gchar* data = NULL;
  gsize size = 0;
  if (!g_file_get_contents(path, &data, &size, error)) return NULL;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  gboolean ok = TRUE;
  for (gsize at = 0; ok && at < size; at += 97) {
    ok = gdk_pixbuf_loader_write(loader, (const guchar*)data + at, MIN(97, size - at), error);
  }
  /* Closing reports the loader's error when writing did not. */
  ok = gdk_pixbuf_loader_close(loader, ok ? error : NULL) && ok;
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : NULL;
  if (pixbuf != NULL) g_object_ref(pixbuf);
  g_object_unref(loader);
  g_free(data);
  return pixbuf;
}

/* 0 when both ways give a picture equal to `expected` (any, when null). */
static int Check(const char* path, GdkPixbuf* expected) {
  int failed = 0;
  for (int pieces = 0; pieces < 2; ++pieces) {
    GError* error = NULL;
    GdkPixbuf* got = pieces ? LoadInPieces(path, &error) : gdk_pixbuf_new_from_file(path, &error);
    if (got == NULL) {
      printf("%s: %s\n", path, error != NULL ? error->message : "no picture, no error");
      failed = 1;
    } else if (expected != NULL) {
      GdkPixbuf* a = gdk_pixbuf_add_alpha(got, FALSE, 0, 0, 0);
      GdkPixbuf* b = gdk_pixbuf_add_alpha(expected, FALSE, 0, 0, 0);
      int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
      int same = w == gdk_pixbuf_get_width(b) && h == gdk_pixbuf_get_height(b);
      for (int y = 0; same && y < h; ++y) {
        same = memcmp(gdk_pixbuf_read_pixels(a) + y * gdk_pixbuf_get_rowstride(a),
                      gdk_pixbuf_read_pixels(b) + y * gdk_pixbuf_get_rowstride(b), w * 4) == 0;
      }
      if (!same) printf("%s: pixels differ\n", path);
      failed |= !same;
      g_object_unref(a);
      g_object_unref(b);
    }
    if (got != NULL) g_object_unref(got);
    g_clear_error(&error);
  }
  return failed;
}

static int Refuse(const char* path) {
  int failed = 0;
  for (int pieces = 0; pieces < 2; ++pieces) {
    GError* error = NULL;
    GdkPixbuf* got = pieces ? LoadInPieces(path, &error) : gdk_pixbuf_new_from_file(path, &error);
    if (got != NULL || error == NULL) {
      printf("%s: %s\n", path, got != NULL ? "loaded" : "refused without a GError");
      failed = 1;
    }
    if (got != NULL) g_object_unref(got);
    g_clear_error(&error);
  }
  return failed;
}

int main(int argc, char** argv) {
  int failed = 0;
  if (argc >= 3 && strcmp(argv[1], "load") == 0) {
    for (int i = 2; i < argc; ++i) failed |= Check(argv[i], NULL);
  } else if (argc == 4 && strcmp(argv[1], "same") == 0) {
    GError* error = NULL;
    GdkPixbuf* expected = gdk_pixbuf_new_from_file(argv[3], &error);
    if (expected == NULL) {
      printf("%s: %s\n", argv[3], error->message);
      return 1;
    }
    failed = Check(argv[2], expected);
    g_object_unref(expected);
  } else if (argc == 3 && strcmp(argv[1], "refuse") == 0) {
    GDir* dir = g_dir_open(argv[2], 0, NULL);
    if (dir == NULL) return 1;
    for (const char* name; (name = g_dir_read_name(dir)) != NULL;) {
      if (!g_str_has_suffix(name, ".gim")) continue;
      gchar* path = g_build_filename(argv[2], name, NULL);
      failed |= Refuse(path);
      g_free(path);
    }
    g_dir_close(dir);
  } else {
    fprintf(stderr, "usage: pixbuf_client load GIM... | same GIM PNG | refuse DIR\n");
    return 2;
  }
  return failed;
}
