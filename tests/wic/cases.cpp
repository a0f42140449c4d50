#include "wic/cases.h"

#include <gtest/gtest.h>
#include <spng.h>

#include <mutex>

#include "fixture/gim_writer.h"
#include "support/random.h"

namespace tovak::wictest {
namespace {

using test::Random;

Case MakeCase(std::uint16_t format, bool be, std::uint16_t order, Random& random) {
  Case c;
  c.format = format;
  c.big_endian = be;
  c.pixel_order = order;
  c.name = "format" + std::to_string(format) + (be ? "-be" : "-le") +
           (order == 1 ? "-swizzled" : "-normal");
  fixture::Picture pic;
  pic.big_endian = be;
  pic.format = format;
  pic.pixel_order = order;
  pic.width = kWidth;
  pic.height = kHeight;
  // Enough for the swizzled order's whole tiles and for every DXT block.
  pic.pixels.resize(fixture::StoredRowBytes(format, kWidth) * ((kHeight + 7) / 8 * 8));
  for (std::uint8_t& b : pic.pixels) b = random.Byte();
  if (format == fixture::kIndex4 || format == fixture::kIndex8) {
    c.index_bits = format == fixture::kIndex4 ? 4 : 8;
    const std::uint16_t count = format == fixture::kIndex4 ? 16 : 256;
    const std::uint16_t entry_format = format == fixture::kIndex4
                                           ? (be ? fixture::kRgba5650 : fixture::kRgba8888)
                                           : (be ? fixture::kRgba5551 : fixture::kRgba4444);
    Bytes entries(std::size_t{count} * (entry_format == fixture::kRgba8888 ? 4 : 2));
    for (std::uint8_t& b : entries) b = random.Byte();
    pic.palette = fixture::Palette{entry_format, count, entries};
  }
  c.file = fixture::Write(pic).bytes;
  return c;
}

fs::path CasesDir() {
  static const fs::path dir = TempDir("cases");
  return dir;
}

struct References {
  std::vector<Reference> pictures;
};

Reference ReadPng(const fs::path& path, int index_bits) {
  const Bytes file = ReadFile(path);
  Reference out;
  for (const int fmt : {SPNG_FMT_RGBA8, SPNG_FMT_PNG}) {
    if (fmt == SPNG_FMT_PNG && index_bits == 0) break;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, file.data(), file.size());
    std::size_t size = 0;
    EXPECT_EQ(spng_decoded_image_size(ctx, fmt, &size), 0) << path.string();
    Bytes& rows = fmt == SPNG_FMT_PNG ? out.index_rows : out.rgba;
    rows.resize(size);
    EXPECT_EQ(
        spng_decode_image(ctx, rows.data(), size, fmt, fmt == SPNG_FMT_PNG ? 0 : SPNG_DECODE_TRNS),
        0);
    if (fmt == SPNG_FMT_PNG) {
      spng_plte plte{};
      spng_trns trns{};
      spng_get_plte(ctx, &plte);
      const bool has_trns = spng_get_trns(ctx, &trns) == 0;
      for (std::uint32_t k = 0; k < plte.n_entries; ++k) {
        const std::uint32_t alpha =
            has_trns && k < trns.n_type3_entries ? trns.type3_alpha[k] : 255;
        out.palette.push_back(alpha << 24 | std::uint32_t{plte.entries[k].red} << 16 |
                              std::uint32_t{plte.entries[k].green} << 8 | plte.entries[k].blue);
      }
      out.index_stride = (kWidth * static_cast<std::uint32_t>(index_bits) + 7) / 8;
    }
    spng_ctx_free(ctx);
  }
  return out;
}

const References& AllReferences() {
  static References references;
  static std::once_flag once;
  std::call_once(once, [] {
    const fs::path out = CasesDir() / "png";
    const int code = Run(L"\"" + (ExeDir() / L"tovak.exe").wstring() + L"\" convert \"" +
                         (CasesDir() / "gim").wstring() + L"\" -o \"" + out.wstring() + L"\"");
    EXPECT_EQ(code, 0) << "tovak convert";
    for (const Case& c : AllCases()) {
      references.pictures.push_back(ReadPng(out / (c.name + ".png"), c.index_bits));
    }
  });
  return references;
}

}  // namespace

const std::vector<Case>& AllCases() {
  static const std::vector<Case> cases = [] {
    Random random;
    std::vector<Case> all;
    for (const std::uint16_t format :
         {fixture::kRgba5650, fixture::kRgba5551, fixture::kRgba4444, fixture::kRgba8888,
          fixture::kIndex4, fixture::kIndex8, fixture::kDxt1, fixture::kDxt3, fixture::kDxt5,
          fixture::kDxt1Ext, fixture::kDxt3Ext, fixture::kDxt5Ext}) {
      for (const bool be : {false, true}) {
        for (const int order : {0, 1})
          all.push_back(MakeCase(format, be, static_cast<std::uint16_t>(order), random));
      }
    }
    fs::create_directories(CasesDir() / "gim");
    fs::create_directories(CasesDir() / "wrong");
    for (const Case& c : all) {
      WriteFile(CasesDir() / "gim" / (c.name + ".gim"), c.file);
      WriteFile(CasesDir() / "wrong" / (c.name + ".png"), c.file);
    }
    return all;
  }();
  return cases;
}

fs::path CaseFile(const Case& c, bool wrong_extension) {
  return wrong_extension ? CasesDir() / "wrong" / (c.name + ".png")
                         : CasesDir() / "gim" / (c.name + ".gim");
}

const Reference& ReferenceOf(const Case& c) {
  const std::vector<Case>& all = AllCases();
  return AllReferences().pictures.at(static_cast<std::size_t>(&c - all.data()));
}

void ExpectEveryRowByteWritten(IWICBitmapSource* source, const WICRect* rect, UINT stride,
                               UINT row, UINT size) {
  Bytes zeros(size, 0x00), ones(size, 0xFF);
  ASSERT_EQ(source->CopyPixels(rect, stride, size, zeros.data()), S_OK);
  ASSERT_EQ(source->CopyPixels(rect, stride, size, ones.data()), S_OK);
  for (std::size_t k = 0; k < size; ++k) {
    if (k % stride < row) {
      ASSERT_EQ(zeros[k], ones[k]) << "byte " << k << " never written";
    }
  }
}

int LayoutBits(const Case& c) { return c.index_bits != 0 ? c.index_bits : 32; }

std::uint32_t PixelIn(const std::uint8_t* rows, std::uint64_t stride, int bits, std::uint32_t x,
                      std::uint32_t y) {
  const std::uint8_t* row = rows + y * stride;
  switch (bits) {
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15u;
    case 8: return row[x];
    default: break;
  }
  const std::uint8_t* p = row + 4 * std::uint64_t{x};
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

std::uint32_t ExpectedPixel(const Case& c, std::uint32_t x, std::uint32_t y) {
  const Reference& r = ReferenceOf(c);
  if (c.index_bits != 0) return PixelIn(r.index_rows.data(), r.index_stride, c.index_bits, x, y);
  // The PNG's red, green, blue, alpha as 32bppBGRA's blue, green, red, alpha.
  const std::uint8_t* p = r.rgba.data() + 4 * (std::uint64_t{y} * kWidth + x);
  return std::uint32_t{p[2]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[0]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace tovak::wictest
