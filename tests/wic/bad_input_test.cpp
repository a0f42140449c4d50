// Every file of tests/bad_inputs fails in Initialize: the decoder plans the
// whole picture there, so data that the plug-in refuses only when decoding
// (the files named .0.2 and .0.4) is refused before a frame exists. The
// HRESULT follows the plug-in's code: 4 (too large) is
// WINCODEC_ERR_IMAGESIZEOUTOFRANGE; 2 after sound headers (.0.2) is
// WINCODEC_ERR_BADIMAGE; 2 from the headers is WINCODEC_ERR_BADHEADER when
// they are no GIM picture and WINCODEC_ERR_BADIMAGE when they are but make
// none. Nothing is left behind: the decoder's last Release returns 0, the
// stream's references are back to its own, and the DLL could be unloaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

std::vector<HRESULT> AcceptedResults(const std::string& name) {
  const std::string codes = name.substr(name.find('.'));
  if (codes == ".0.4.gim") return {WINCODEC_ERR_IMAGESIZEOUTOFRANGE};
  if (codes == ".0.2.gim") return {WINCODEC_ERR_BADIMAGE};
  if (codes == ".2.gim") return {WINCODEC_ERR_BADHEADER, WINCODEC_ERR_BADIMAGE};
  return {};
}

TEST(BadInputs, EveryFileFailsInInitializeAndLeavesNothingBehind) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(TOVAK_BAD_INPUTS_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".gim") continue;
    SCOPED_TRACE(name);
    ++files;
    const std::vector<HRESULT> accepted = AcceptedResults(name);
    ASSERT_FALSE(accepted.empty()) << "no expected code in the name";

    // As a client opens it: no decoder comes back.
    Com<IWICBitmapDecoder> decoder;
    EXPECT_TRUE(
        FAILED(factory->CreateDecoderFromFilename(entry.path().c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Out())));
    EXPECT_FALSE(decoder);

    // Our decoder over a stream of the file's bytes.
    MemoryStream stream(ReadFile(entry.path()));
    ASSERT_EQ(CreateOurDecoder(decoder), S_OK);
    const HRESULT hr = decoder->Initialize(&stream, WICDecodeMetadataCacheOnDemand);
    EXPECT_NE(std::find(accepted.begin(), accepted.end(), hr), accepted.end())
        << "Initialize returned 0x" << std::hex << static_cast<unsigned long>(hr);
    Com<IWICBitmapFrameDecode> frame;
    EXPECT_EQ(decoder->GetFrame(0, frame.Out()), WINCODEC_ERR_NOTINITIALIZED);
    EXPECT_EQ(decoder.Reset(), 0u);
    EXPECT_EQ(stream.references(), 1);
  }
  EXPECT_GE(files, 40);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

// Streams that fail: a read error is passed on; a stream longer than any
// block the plug-in takes (2 GiB - 1) is refused before a byte is read; one
// that ends before the length it announced is judged by what it held.
TEST(BadInputs, FailingOverlongAndShortStreamsAreRefused) {
  const Case& c = AllCases().front();
  Bytes cut = c.file;
  cut.resize(cut.size() / 2);
  const struct {
    const char* what;
    Bytes bytes;
    std::uint64_t claimed_size;
    HRESULT read_failure;
    HRESULT result;
    bool reads;
  } streams[] = {
      {"a read error", c.file, 0, STG_E_READFAULT, STG_E_READFAULT, false},
      {"2 GiB long", c.file, 0x80000000ull, S_OK, WINCODEC_ERR_IMAGESIZEOUTOFRANGE, false},
      {"ends halfway through what it announced", cut, c.file.size(), S_OK, WINCODEC_ERR_BADIMAGE,
       true},
  };
  for (const auto& s : streams) {
    SCOPED_TRACE(s.what);
    MemoryStream stream(s.bytes);
    stream.claimed_size = s.claimed_size;
    stream.read_failure = s.read_failure;
    Com<IWICBitmapDecoder> decoder;
    ASSERT_EQ(CreateOurDecoder(decoder), S_OK);
    EXPECT_EQ(decoder->Initialize(&stream, WICDecodeMetadataCacheOnDemand), s.result);
    EXPECT_EQ(stream.bytes_read() != 0, s.reads);
    EXPECT_EQ(decoder.Reset(), 0u);
    EXPECT_EQ(stream.references(), 1);
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tovak::wictest
