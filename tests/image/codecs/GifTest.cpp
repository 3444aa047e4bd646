// The GIF codec: encoder bytes, round trips through our decoder and through
// ImageMagick, and the decoder's documented behaviour on files built here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/CxMemFile.h"
#include "image/codecs/CxImageGIF.h"
#include "tests/image/codecs/GifTestSupport.h"

using namespace giftest;

namespace {

constexpr int kLzw = 0, kUncompressed = 1, kRunLength = 2;

void ExpectSameIndexedImage(const CxImage& expected, const CxImage& actual) {
    ASSERT_TRUE(actual.IsValid());
    ASSERT_EQ(actual.GetWidth(), expected.GetWidth());
    ASSERT_EQ(actual.GetHeight(), expected.GetHeight());
    ASSERT_EQ(actual.GetBpp(), expected.GetBpp());
    for (DWORD i = 0; i < expected.GetNumColors(); ++i) {
        const RGBQUAD a = expected.GetPaletteColor(static_cast<BYTE>(i));
        const RGBQUAD b = actual.GetPaletteColor(static_cast<BYTE>(i));
        ASSERT_TRUE(a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue)
            << "palette entry " << i;
    }
    for (LONG y = 0; y < static_cast<LONG>(expected.GetHeight()); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(expected.GetWidth()); ++x)
            ASSERT_EQ(actual.GetPixelIndex(x, y), expected.GetPixelIndex(x, y)) << x << "," << y;
    }
}

// Row y (from the top) of an indexed image as indices.
std::vector<int> TopRow(const CxImage& img, int y) {
    std::vector<int> row;
    for (LONG x = 0; x < static_cast<LONG>(img.GetWidth()); ++x)
        row.push_back(img.GetPixelIndex(x, static_cast<LONG>(img.GetHeight()) - 1 - y));
    return row;
}

std::vector<int> Filled(int n, int value) {
    return std::vector<int>(static_cast<std::size_t>(n), value);
}

Bytes EncodeWith(CxImageGIF& gif) {
    CxMemFile f;
    f.Open();
    EXPECT_TRUE(gif.Encode(&f));
    return Bytes(f.GetBuffer(false), f.GetBuffer(false) + f.Size());
}

bool DecodeWith(CxImageGIF& gif, const Bytes& file) {
    CxMemFile f(const_cast<BYTE*>(file.data()), static_cast<long>(file.size()));
    return gif.Decode(&f);
}

} // namespace

// ---- Encoder output bytes -------------------------------------------------

TEST(GifEncode, EightBitImageHasFlagsF7A768ByteTableAndMinimumCodeSize8) {
    CxImage img = MakeImage(5, 3, 8, 1);
    const Bytes b = EncodeGif(img);
    ASSERT_GT(b.size(), 800u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    EXPECT_EQ(Bytes(b.begin() + 6, b.begin() + 13), (Bytes{5, 0, 3, 0, 0xF7, 0, 0}));
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = GlobalColor(i);
        ASSERT_EQ(Bytes(b.begin() + 13 + 3 * i, b.begin() + 16 + 3 * i),
                  (Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue}));
    }
    // Graphic control (no transparency: index byte 0xFF), then the image.
    EXPECT_EQ(Bytes(b.begin() + 781, b.begin() + 789), (Bytes{0x21, 0xF9, 4, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(Bytes(b.begin() + 789, b.begin() + 800), (Bytes{0x2C, 0, 0, 0, 0, 5, 0, 3, 0, 0, 8}));
    EXPECT_EQ(b.back(), 0x3B);
}

TEST(GifEncode, TableFlagsAndMinimumCodeSizeFollowTheDepth) {
    CxImage one = MakeImage(9, 2, 1, 2);
    const GifLayout l1 = ParseLayout(EncodeGif(one));
    EXPECT_EQ(l1.flags, 0x80);
    ASSERT_EQ(l1.images.size(), 1u);
    EXPECT_EQ(l1.images[0].minCodeSize, 2);
    // The first code is the clear code 4 in 3 bits.
    EXPECT_EQ(l1.images[0].data[0] & 7, 4);
    EXPECT_EQ(ReadCodes(l1.images[0].data, 2).front(), 4);

    CxImage four = MakeImage(9, 2, 4, 3);
    const GifLayout l4 = ParseLayout(EncodeGif(four));
    EXPECT_EQ(l4.flags, 0xB3);
    EXPECT_EQ(l4.images[0].minCodeSize, 4);
    EXPECT_EQ(l4.images[0].flags, 0);

    CxImage rgb = MakeImage(3, 3, 24, 4);
    EXPECT_EQ(ParseLayout(EncodeGif(rgb)).flags, 0x11);
}

TEST(GifEncode, GraphicControlCarriesTransparencyDelayAndDisposal) {
    CxImageGIF gif;
    gif.Create(4, 4, 8);
    gif.Clear(1);
    gif.SetTransIndex(3);
    gif.SetFrameDelay(0x1234);
    gif.SetDisposalMethod(2);
    const GifLayout l = ParseLayout(EncodeWith(gif));
    ASSERT_EQ(l.extensions.size(), 1u);
    EXPECT_EQ(l.extensions[0].first, 0xF9);
    EXPECT_EQ(l.extensions[0].second, (Bytes{0x09, 0x34, 0x12, 3}));
}

TEST(GifEncode, CommentIsCutTo255CharactersAndAnEmptyOneIsNotWritten) {
    CxImageGIF gif;
    gif.Create(2, 2, 1);
    gif.Clear(0);
    const std::string longText(300, 'c');
    gif.SetComment(longText.c_str());
    char back[300] = {};
    gif.GetComment(back);
    EXPECT_EQ(std::strlen(back), 255u);
    GifLayout l = ParseLayout(EncodeWith(gif));
    ASSERT_EQ(l.extensions.size(), 2u);
    EXPECT_EQ(l.extensions[1].first, 0xFE);
    EXPECT_EQ(l.extensions[1].second, Bytes(255, 'c'));

    gif.SetComment("");
    l = ParseLayout(EncodeWith(gif));
    ASSERT_EQ(l.extensions.size(), 1u);
    EXPECT_EQ(l.extensions[0].first, 0xF9);
}

TEST(GifEncode, UncompressedCodesAreLiteralsWithAClearOnceTheTableIsFull) {
    for (int bpp : {1, 4, 8}) {
        CxImage img = MakeImage(100, 50, bpp, 5);
        const GifLayout l = ParseLayout(EncodeGif(img, kUncompressed));
        const int minSize = bpp == 1 ? 2 : bpp, clear = 1 << minSize;
        const std::vector<int> codes = ReadCodes(l.images[0].data, minSize);
        // The clear follows the pixel at which the next free code, starting
        // at clear + 2 and counting one per pixel, had reached 4096.
        const std::size_t clearAt = 1 + (4096 - (clear + 2)) + 1;
        ASSERT_EQ(codes.size(), 1 + 5000 + 1 + 1u) << bpp;
        EXPECT_EQ(codes[0], clear);
        EXPECT_EQ(codes[clearAt], clear) << bpp;
        EXPECT_EQ(codes.back(), clear + 1);
        std::vector<int> pixels;
        for (std::size_t i = 0; i + 1 < codes.size(); ++i) {
            if (i != 0 && i != clearAt) pixels.push_back(codes[i]);
        }
        for (int i = 0; i < 5000; ++i)
            ASSERT_EQ(pixels[i], img.GetPixelIndex(i % 100, 49 - i / 100)) << i;
        // Data sub-blocks hold at most 254 bytes.
        for (int n : l.images[0].blockSizes)
            EXPECT_LE(n, 254);
    }
}

TEST(GifEncode, RunLengthSendsA1000PixelRunAfterTheClearAs45Codes) {
    CxImage img(1000, 1, 8);
    img.Clear(7);
    const GifLayout l = ParseLayout(EncodeGif(img, kRunLength));
    std::vector<int> expected = {256, 7};
    for (int k = 2; k <= 44; ++k)
        expected.push_back(258 + k - 2); // a run of k: 1 + 2 + ... + 44 = 990 pixels
    expected.push_back(258 + 10 - 2);    // the last 10 pixels
    expected.push_back(257);
    EXPECT_EQ(ReadCodes(l.images[0].data, 8), expected);
}

TEST(GifEncode, TrueColourImageIsWrittenAsTilesWithLocalTables) {
    CxImage img = MakeImage(40, 20, 24, 6);
    const GifLayout l = ParseLayout(EncodeGif(img));
    EXPECT_EQ(l.flags, 0x11);
    const int expected[6][4] = {{0, 0, 17, 15}, {17, 0, 17, 15}, {34, 0, 6, 15},
                                {0, 15, 17, 5}, {17, 15, 17, 5}, {34, 15, 6, 5}};
    ASSERT_EQ(l.images.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const GifImageInfo& t = l.images[i];
        EXPECT_EQ((std::vector<int>{t.left, t.top, t.width, t.height}),
                  std::vector<int>(expected[i], expected[i] + 4));
        EXPECT_EQ(t.flags, 0x87) << "a 256-entry local table";
        EXPECT_EQ(t.minCodeSize, 8);
    }
    int controls = 0;
    for (const auto& e : l.extensions)
        controls += e.first == 0xF9;
    EXPECT_EQ(controls, 6);
}

TEST(GifEncode, MultiImageLoopExtensionAndSharedSettings) {
    CxImage a = MakeImage(6, 4, 8, 7), b = MakeImage(6, 4, 8, 8);
    CxImage* frames[] = {&a, &b};
    const std::string netscape = "NETSCAPE2.0";
    // Loop count 1 writes no loop extension; others are written minus one.
    for (auto [loops, written] : {std::pair{1, -1}, std::pair{0, 0}, std::pair{3, 2}}) {
        CxImageGIF gif;
        gif.SetLoops(loops);
        gif.SetDisposalMethod(1);
        gif.SetComment("anim");
        CxMemFile f;
        f.Open();
        ASSERT_TRUE(gif.Encode(&f, frames, 2));
        const Bytes file(f.GetBuffer(false), f.GetBuffer(false) + f.Size());
        const auto at = std::search(file.begin(), file.end(), netscape.begin(), netscape.end());
        if (written < 0) {
            EXPECT_EQ(at, file.end());
        } else {
            ASSERT_NE(at, file.end());
            EXPECT_EQ(Bytes(at + 11, at + 16), (Bytes{3, 1, static_cast<BYTE>(written), 0, 0}));
        }
        const GifLayout l = ParseLayout(file);
        EXPECT_EQ(l.images.size(), 2u);
        int controls = 0, comments = 0;
        for (const auto& [label, body] : l.extensions) {
            if (label == 0xF9) {
                ++controls;
                EXPECT_EQ(body[0], 1 << 2) << "disposal 1 on every frame";
            }
            comments += label == 0xFE;
        }
        EXPECT_EQ(controls, 2);
        EXPECT_EQ(comments, 1);
    }
}

TEST(GifEncode, MultiImageRefusalsWriteNothing) {
    CxImage a = MakeImage(6, 4, 8, 7), rgb = MakeImage(6, 4, 24, 8), empty;
    CxImageGIF gif;
    CxMemFile f;
    f.Open();
    CxImage* withNull[] = {&a, nullptr};
    CxImage* withRgb[] = {&a, &rgb};
    CxImage* withEmpty[] = {&a, &empty};
    EXPECT_FALSE(gif.Encode(static_cast<CxFile*>(nullptr), withNull, 2));
    EXPECT_STREQ(gif.GetLastError(), "invalid file pointer");
    EXPECT_FALSE(gif.Encode(&f, nullptr, 2));
    EXPECT_STREQ(gif.GetLastError(), "multipage GIF, no images!");
    EXPECT_FALSE(gif.Encode(&f, withNull, 0));
    EXPECT_STREQ(gif.GetLastError(), "multipage GIF, no images!");
    EXPECT_FALSE(gif.Encode(&f, withNull, 2));
    EXPECT_STREQ(gif.GetLastError(), "Bad image pointer");
    EXPECT_FALSE(gif.Encode(&f, withEmpty, 2));
    EXPECT_STREQ(gif.GetLastError(), "null image!!!");
    EXPECT_FALSE(gif.Encode(&f, withRgb, 2));
    EXPECT_STREQ(gif.GetLastError(), "multipage GIF, images need 8 bits per pixel or fewer");
    EXPECT_EQ(f.Size(), 0);
}

TEST(GifEncode, RefusesWhatTheFormatCannotHold) {
    CxImage wide(70000, 1, 1);
    CxMemFile f;
    f.Open();
    EXPECT_FALSE(wide.Encode(&f, FORMAT_GIF));
    EXPECT_STREQ(wide.GetLastError(), "Image too large for GIF");
    CxImage empty;
    EXPECT_FALSE(empty.Encode(&f, FORMAT_GIF));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_EQ(f.Size(), 0);
}

namespace {

// A memory stream whose error indicator is always set.
class BrokenFile : public CxMemFile {
public:
    long Error() override { return 1; }
};

} // namespace

TEST(GifEncode, AWriteErrorFailsTheEncode) {
    CxImage img = MakeImage(4, 4, 8, 9);
    for (int option : {kLzw, kUncompressed, kRunLength}) {
        img.SetCodecOption(static_cast<DWORD>(option), FORMAT_GIF);
        BrokenFile f;
        f.Open();
        EXPECT_FALSE(img.Encode(&f, FORMAT_GIF));
        EXPECT_STREQ(img.GetLastError(), "Write Error in GIF file");
    }
}

// ---- Round trips ------------------------------------------------------------

TEST(GifRoundTrip, EveryCoderAndDepthThroughOurDecoder) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {31, 17}, {64, 64}, {255, 3}, {3, 300}};
    unsigned seed = 10;
    for (int option : {kLzw, kUncompressed, kRunLength}) {
        for (int bpp : {1, 2, 4, 8}) {
            for (const auto& s : sizes) {
                CxImage img = MakeImage(s[0], s[1], bpp, ++seed);
                CxImage back;
                ASSERT_TRUE(DecodeGif(EncodeGif(img, option), back))
                    << option << " " << bpp << " " << s[0] << "x" << s[1];
                ExpectSameIndexedImage(img, back);
                EXPECT_EQ(back.GetType(), static_cast<DWORD>(FORMAT_GIF));
            }
        }
    }
}

TEST(GifRoundTrip, RunLengthCoderOnRunsOfEveryLength) {
    // Runs from 1 to thousands of pixels, alternating a few colours, drive
    // every branch of the run-length coder: plain codes, triangles after a
    // clear, repeats of the table's longest run, and forced clears.
    for (int bpp : {1, 4, 8}) {
        CxImage img(997, 211, static_cast<DWORD>(bpp));
        for (DWORD i = 0; i < img.GetNumColors(); ++i)
            img.SetPaletteColor(static_cast<BYTE>(i), GlobalColor(static_cast<int>(i)));
        unsigned state = 12345;
        int left = 0, color = 0;
        for (LONG y = 0; y < 211; ++y) {
            for (LONG x = 0; x < 997; ++x) {
                if (left-- <= 0) {
                    state = state * 1103515245 + 12345;
                    left = static_cast<int>((state >> 8) % ((state >> 20) % 4 == 0 ? 5000 : 40));
                    color = static_cast<int>((state >> 4) % 3);
                }
                img.SetPixelIndex(x, y, static_cast<BYTE>(color));
            }
        }
        CxImage back;
        ASSERT_TRUE(DecodeGif(EncodeGif(img, kRunLength), back)) << bpp;
        ExpectSameIndexedImage(img, back);
    }
}

TEST(GifRoundTrip, RunLengthCoderOnARunThatFillsTheTable) {
    // 2800 x 2700 equal pixels need more codes after one clear than the
    // table holds, so the coder clears in the middle of the run.
    CxImage img(2800, 2700, 8);
    img.SetPaletteColor(1, GlobalColor(1));
    img.Clear(1);
    const Bytes file = EncodeGif(img, kRunLength);
    int clears = 0;
    for (int c : ReadCodes(ParseLayout(file).images[0].data, 8))
        clears += c == 256;
    EXPECT_GE(clears, 2);
    CxImage back;
    ASSERT_TRUE(DecodeGif(file, back));
    ExpectSameIndexedImage(img, back);
}

TEST(GifRoundTrip, EveryCoderAndDepthThroughImageMagick) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick not installed";
    unsigned seed = 100;
    for (int option : {kLzw, kUncompressed, kRunLength}) {
        for (int bpp : {1, 2, 4, 8}) {
            for (const auto& s : {std::pair{37, 23}, std::pair{1, 1}, std::pair{300, 2}}) {
                CxImage img = MakeImage(s.first, s.second, bpp, ++seed);
                const std::string path = WriteTemp("rt.gif", EncodeGif(img, option));
                const auto magick = testsupport::MagickDecode(path);
                ASSERT_TRUE(magick) << option << " " << bpp;
                ASSERT_EQ(magick->width, s.first);
                ASSERT_EQ(magick->height, s.second);
                Bytes rgb;
                for (std::size_t i = 0; i < magick->rgba.size(); i += 4)
                    rgb.insert(rgb.end(), magick->rgba.begin() + i, magick->rgba.begin() + i + 3);
                EXPECT_EQ(rgb, testsupport::ToRgb8(img)) << option << " " << bpp;
            }
        }
    }
}

TEST(GifRoundTrip, TrueColourMosaicThroughOurDecoderAndImageMagick) {
    // Thin images too: their first tile is as wide or as high as the image.
    for (const auto& s : {std::pair{40, 20}, std::pair{35, 31}, std::pair{18, 16},
                          std::pair{10, 40}, std::pair{17, 31}, std::pair{50, 7}}) {
        CxImage img = MakeImage(s.first, s.second, 24, 20);
        const Bytes file = EncodeGif(img);
        CxImage back;
        ASSERT_TRUE(DecodeGif(file, back));
        EXPECT_EQ(back.GetBpp(), 24);
        EXPECT_EQ(testsupport::ToRgb8(back), testsupport::ToRgb8(img));
        if (!testsupport::HaveMagick()) continue;
        const auto frames = MagickFrames(WriteTemp("mosaic.gif", file));
        ASSERT_TRUE(frames);
        Bytes rgb;
        for (std::size_t i = 0; i < frames->back().rgba.size(); i += 4)
            rgb.insert(rgb.end(), frames->back().rgba.begin() + i,
                       frames->back().rgba.begin() + i + 3);
        EXPECT_EQ(rgb, testsupport::ToRgb8(img));
    }
}

TEST(GifRoundTrip, TrueColourTransparencySurvives) {
    CxImage img = MakeImage(20, 16, 24, 21);
    const RGBQUAD key{10, 20, 30, 0};
    img.SetTransColor(key);
    img.SetTransIndex(0);
    for (LONG x = 0; x < 20; ++x)
        img.SetPixelColor(x, 3, key);
    CxImage back;
    ASSERT_TRUE(DecodeGif(EncodeGif(img), back));
    EXPECT_EQ(back.GetTransIndex(), 0);
    const RGBQUAD t = back.GetTransColor();
    EXPECT_TRUE(t.rgbBlue == 10 && t.rgbGreen == 20 && t.rgbRed == 30);
    EXPECT_EQ(testsupport::ToRgb8(back), testsupport::ToRgb8(img));
}

TEST(GifRoundTrip, AnimationThroughTheDispatchOurDecoderAndImageMagick) {
    std::vector<CxImage> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(MakeImage(30, 20, 8, 30 + i));
        images.back().SetFrameDelay(static_cast<DWORD>(10 * (i + 1)));
    }
    images[2] = MakeImage(30, 20, 4, 40); // a frame of another depth, with its own table
    for (bool local : {false, true}) {
        CxImage* frames[] = {&images[0], &images[1], &images[2]};
        CxMemFile f;
        f.Open();
        if (local) {
            CxImageGIF gif;
            ASSERT_TRUE(gif.Encode(&f, frames, 3, true));
        } else {
            CxImage host;
            ASSERT_TRUE(host.Encode(&f, frames, 3, FORMAT_GIF)) << host.GetLastError();
        }
        const Bytes file(f.GetBuffer(false), f.GetBuffer(false) + f.Size());
        for (int i = 0; i < 2; ++i) {
            CxImage back;
            ASSERT_TRUE(DecodeGif(file, back, i));
            EXPECT_EQ(back.GetNumFrames(), 3);
            EXPECT_EQ(back.GetFrameDelay(), static_cast<DWORD>(10 * (i + 1)));
            ExpectSameIndexedImage(images[i], back);
        }
        if (!testsupport::HaveMagick()) continue;
        const auto magick = MagickFrames(WriteTemp("anim.gif", file));
        ASSERT_TRUE(magick);
        ASSERT_EQ(magick->size(), 3u);
        for (int i = 0; i < 3; ++i) {
            if (i == 2 && !local) continue; // 4-bit indices shown with the global 8-bit table
            Bytes rgb;
            for (std::size_t k = 0; k < (*magick)[i].rgba.size(); k += 4)
                rgb.insert(rgb.end(), (*magick)[i].rgba.begin() + k,
                           (*magick)[i].rgba.begin() + k + 3);
            EXPECT_EQ(rgb, testsupport::ToRgb8(images[i])) << "frame " << i << " local " << local;
        }
    }
}

TEST(GifRoundTrip, LoopCountCommentAndDisposalAreReadBack) {
    CxImage a = MakeImage(5, 5, 8, 50), b = MakeImage(5, 5, 8, 51);
    CxImage* frames[] = {&a, &b};
    CxImageGIF writer;
    writer.SetLoops(5);
    writer.SetComment("made by Torvex");
    writer.SetDisposalMethod(3);
    CxMemFile f;
    f.Open();
    ASSERT_TRUE(writer.Encode(&f, frames, 2));
    CxImageGIF reader;
    ASSERT_TRUE(DecodeWith(reader, Bytes(f.GetBuffer(false), f.GetBuffer(false) + f.Size())));
    EXPECT_EQ(reader.GetLoops(), 4) << "written as the loop count minus one";
    char comment[256];
    reader.GetComment(comment);
    EXPECT_STREQ(comment, "made by Torvex");
    EXPECT_EQ(reader.GetDisposalMethod(), 3);
}

TEST(GifRoundTrip, CopiesCarryTheImageAndTheCodecState) {
    CxImageGIF gif;
    gif.Create(3, 2, 4);
    gif.SetPaletteColor(5, GlobalColor(5));
    gif.Clear(5);
    gif.SetLoops(9);
    gif.SetComment("copied");
    gif.SetDisposalMethod(2);
    CxImageGIF copy(gif);
    CxImageGIF assigned;
    assigned = gif;
    for (const CxImageGIF* c : {&copy, &assigned}) {
        ExpectSameIndexedImage(gif, *c);
        EXPECT_EQ(c->GetLoops(), 9);
        EXPECT_EQ(c->GetDisposalMethod(), 2);
        char comment[256];
        c->GetComment(comment);
        EXPECT_STREQ(comment, "copied");
    }
}

TEST(GifRoundTrip, LoadsThroughDetectionWhenNamedAsAnotherFormat) {
    CxImage img = MakeImage(9, 7, 8, 60);
    const std::string path = WriteTemp("named.bmp", EncodeGif(img));
    CxImage loaded(path.c_str(), FORMAT_BMP);
    ASSERT_TRUE(loaded.IsValid());
    EXPECT_EQ(loaded.GetType(), static_cast<DWORD>(FORMAT_GIF));
    ExpectSameIndexedImage(img, loaded);
}

// ---- The decoder's documented behaviour -----------------------------------

TEST(GifDecode, AcceptsAnyVersionAfterGif8AndRejectsOtherSignatures) {
    const std::vector<int> pixels = {0, 1, 1, 0};
    for (const char* sig : {"GIF87a", "GIF89a", "GIF89b"}) {
        CxImage img;
        EXPECT_TRUE(DecodeGif(
            GifBuilder().Header(2, 2, 2, sig).Image(0, 0, 2, 2, pixels, 2).Trailer().bytes, img))
            << sig;
    }
    CxImage img;
    EXPECT_FALSE(DecodeGif(
        GifBuilder().Header(2, 2, 2, "GIF90a").Image(0, 0, 2, 2, pixels, 2).Trailer().bytes, img));
    EXPECT_FALSE(DecodeGif(Bytes{'G', 'I', 'F', '8'}, img));
}

TEST(GifDecode, DimensionsOnlyModeGivesTheScreenSizeAndNoPixels) {
    const Bytes file = GifBuilder().Header(300, 200, 2).Image(0, 0, 1, 1, {1}, 2).Trailer().bytes;
    CxImage img;
    img.SetEscape(-1);
    ASSERT_TRUE(img.Decode(file.data(), static_cast<DWORD>(file.size()), FORMAT_GIF));
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 300u);
    EXPECT_EQ(img.GetHeight(), 200u);
}

TEST(GifDecode, AFrameSmallerThanTheScreenIsPlacedOnACanvasOfTheControlsIndex) {
    CxImage img;
    ASSERT_TRUE(DecodeGif(GifBuilder()
                              .Header(6, 5, 4)
                              .Control(0, 2)
                              .Image(1, 1, 3, 2, {0, 1, 2, 3, 3, 1}, 2)
                              .Trailer()
                              .bytes,
                          img));
    ASSERT_EQ(img.GetWidth(), 6u);
    ASSERT_EQ(img.GetHeight(), 5u);
    EXPECT_EQ(img.GetTransIndex(), 2);
    EXPECT_EQ(TopRow(img, 0), Filled(6, 2));
    EXPECT_EQ(TopRow(img, 1), (std::vector<int>{2, 0, 1, 2, 2, 2}));
    EXPECT_EQ(TopRow(img, 2), (std::vector<int>{2, 3, 3, 1, 2, 2}));
    EXPECT_EQ(TopRow(img, 4), Filled(6, 2));

    // Without the transparency flag the index byte still fills the canvas.
    ASSERT_TRUE(DecodeGif(GifBuilder()
                              .Header(4, 2, 4)
                              .Raw({0x21, 0xF9, 4, 0, 0, 0, 3, 0})
                              .Image(0, 0, 1, 1, {1}, 2)
                              .Trailer()
                              .bytes,
                          img));
    EXPECT_EQ(img.GetTransIndex(), -1);
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{1, 3, 3, 3}));
    EXPECT_EQ(TopRow(img, 1), Filled(4, 3));
}

TEST(GifDecode, FramesComposeInOrderAndDisposalToBackgroundClearsTheCanvas) {
    for (int colors : {4, 256}) {
        const Bytes file = GifBuilder()
                               .Header(4, 4, colors)
                               .Control(0)
                               .Image(0, 0, 4, 4, Filled(16, 1), colors == 4 ? 2 : 8)
                               .Control(2)
                               .Image(0, 0, 2, 2, Filled(4, 2), 2)
                               .Control(0)
                               .Image(3, 3, 1, 1, {3}, 2)
                               .Trailer()
                               .bytes;
        CxImage img;
        ASSERT_TRUE(DecodeGif(file, img, 0));
        EXPECT_EQ(img.GetNumFrames(), 3);
        EXPECT_EQ(TopRow(img, 0), Filled(4, 1));
        ASSERT_TRUE(DecodeGif(file, img, 1));
        EXPECT_EQ(TopRow(img, 0), (std::vector<int>{2, 2, 1, 1}));
        EXPECT_EQ(TopRow(img, 3), Filled(4, 1));
        // Frame 1 disposes to the background: the whole canvas becomes the
        // low byte of the first frame's transparent index (-1: 255, which a
        // 4-bit canvas holds as 15).
        ASSERT_TRUE(DecodeGif(file, img, 2));
        const int background = colors == 4 ? 15 : 255;
        EXPECT_EQ(TopRow(img, 0), Filled(4, background));
        EXPECT_EQ(TopRow(img, 3), (std::vector<int>{background, background, background, 3}));
    }
}

TEST(GifDecode, AnApplicationExtensionOfAnyNameSetsTheLoopCount) {
    CxImageGIF gif;
    ASSERT_TRUE(DecodeWith(gif, GifBuilder()
                                    .Header(1, 1, 2)
                                    .Loop(7, "ANIMEXTS1.0")
                                    .Image(0, 0, 1, 1, {1}, 2)
                                    .Trailer()
                                    .bytes));
    EXPECT_EQ(gif.GetLoops(), 7);
}

TEST(GifDecode, MetadataOfTheFileIsRead) {
    CxImageGIF gif;
    ASSERT_TRUE(DecodeWith(gif, GifBuilder()
                                    .Header(2, 1, 4)
                                    .Comment("hello")
                                    .Control(3, 1, 77)
                                    .Image(0, 0, 2, 1, {1, 2}, 2)
                                    .Trailer()
                                    .bytes));
    char comment[256];
    gif.GetComment(comment);
    EXPECT_STREQ(comment, "hello");
    EXPECT_EQ(gif.GetDisposalMethod(), 3);
    EXPECT_EQ(gif.GetFrameDelay(), 77u);
    EXPECT_EQ(gif.GetTransIndex(), 1);
    EXPECT_EQ(gif.GetNumFrames(), 1);
}

TEST(GifDecode, TrueColourMosaicIsReassembled) {
    // No global table, three frames with local tables, the first narrower
    // and lower than the screen.
    const Bytes file = GifBuilder()
                           .Header(5, 4, 0)
                           .Image(0, 0, 3, 2, {0, 1, 2, 3, 2, 1}, 2, 4)
                           .Image(3, 0, 2, 2, {3, 3, 0, 0}, 2, 4)
                           .Image(0, 2, 5, 2, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2}, 2, 4)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 0));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetNumFrames(), 3);
    const int expected[4][5] = {{0, 1, 2, 3, 3}, {3, 2, 1, 0, 0}, {1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const RGBQUAD got = img.GetPixelColor(x, 3 - y, false);
            const RGBQUAD want = LocalColor(expected[y][x]);
            EXPECT_TRUE(got.rgbRed == want.rgbRed && got.rgbGreen == want.rgbGreen &&
                        got.rgbBlue == want.rgbBlue)
                << x << "," << y;
        }
    }
}

TEST(GifDecode, InterlacedRowsLandWhereTheyBelong) {
    // An interlaced 10-row image stores rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
    for (int height = 1; height <= 20; ++height) {
        std::vector<int> pixels;
        for (int r = 0; r < height; ++r)
            pixels.insert(pixels.end(), {r % 16, (r * 7) % 16});
        CxImage img;
        ASSERT_TRUE(DecodeGif(
            GifBuilder().Header(2, height, 16).Image(0, 0, 2, height, pixels, 4, 0, true).bytes,
            img));
        for (int r = 0; r < height; ++r)
            ASSERT_EQ(TopRow(img, r), (std::vector<int>{r % 16, (r * 7) % 16})) << height;
    }
}

TEST(GifDecode, CountsOnlyFramesInsideTheScreenAndRefusesFramesOutOfRange) {
    const Bytes file = GifBuilder()
                           .Header(4, 4, 4)
                           .Image(0, 0, 4, 4, Filled(16, 1), 2)
                           .Image(2, 0, 3, 1, {3, 3, 3}, 2)
                           .Image(0, 0, 1, 1, {2}, 2)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 1));
    EXPECT_EQ(img.GetNumFrames(), 2);
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{2, 1, 1, 1}));
    EXPECT_FALSE(DecodeGif(file, img, 2));
    EXPECT_FALSE(DecodeGif(file, img, -1));
}

TEST(GifDecode, LocalTablesGovernTheirOwnFrame) {
    const Bytes file = GifBuilder()
                           .Header(2, 1, 2)
                           .Image(0, 0, 2, 1, {0, 1}, 2, 4)
                           .Image(0, 0, 2, 1, {1, 0}, 2)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 0));
    RGBQUAD c = img.GetPaletteColor(1);
    EXPECT_EQ(c.rgbRed, LocalColor(1).rgbRed);
    ASSERT_TRUE(DecodeGif(file, img, 1));
    c = img.GetPaletteColor(1);
    EXPECT_EQ(c.rgbRed, GlobalColor(1).rgbRed);
}

TEST(GifDecode, AZeroLengthCommentEndsTheScan) {
    // Before any image nothing is decoded; after the first, that frame stands.
    CxImage img;
    EXPECT_FALSE(DecodeGif(
        GifBuilder().Header(1, 1, 2).Comment("").Image(0, 0, 1, 1, {1}, 2).Trailer().bytes, img));
    const Bytes file = GifBuilder()
                           .Header(1, 1, 2)
                           .Image(0, 0, 1, 1, {1}, 2)
                           .Comment("")
                           .Image(0, 0, 1, 1, {0}, 2)
                           .Trailer()
                           .bytes;
    ASSERT_TRUE(DecodeGif(file, img, 1));
    EXPECT_EQ(img.GetNumFrames(), 2);
    EXPECT_EQ(TopRow(img, 0), std::vector<int>{1});
}

// ---- Where the decoder does better than a literal reading ------------------

TEST(GifDecode, DataThatDoesNotStartWithAClearCode) {
    // Literal 1, then code 6 (the first free one, so "1" plus its first
    // character), then the end code: 1, 1, 1.
    const Bytes data = Concat({2}, PackCodes({{1, 3}, {6, 3}, {5, 3}}));
    CxImage img;
    ASSERT_TRUE(DecodeGif(
        GifBuilder().Header(3, 1, 4).Descriptor(0, 0, 3, 1, 0).Raw(data).Trailer().bytes, img));
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{1, 1, 1}));
}

TEST(GifDecode, ALaterFrameWithALargerTableIsNotCutToTheFirstFramesDepth) {
    std::vector<int> big;
    for (int i = 0; i < 8; ++i)
        big.push_back(i * 2 + 1);
    const Bytes file = GifBuilder()
                           .Header(8, 1, 2)
                           .Image(0, 0, 8, 1, {0, 1, 0, 1, 0, 1, 0, 1}, 2)
                           .Image(0, 0, 8, 1, big, 4, 16)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 1));
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(TopRow(img, 0), big);
}

TEST(GifDecode, TransparencyBelongsToTheFrameItsControlPrecedes) {
    // A later frame's transparent index does not make the first frame's
    // pixels transparent, and a control without the flag clears it.
    const Bytes file = GifBuilder()
                           .Header(3, 1, 4)
                           .Image(0, 0, 3, 1, {2, 1, 2}, 2)
                           .Control(0, 2)
                           .Image(0, 0, 3, 1, {3, 2, 3}, 2)
                           .Control(0)
                           .Image(0, 0, 3, 1, {2, 2, 1}, 2)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 0));
    EXPECT_EQ(img.GetTransIndex(), -1);
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{2, 1, 2}));
    ASSERT_TRUE(DecodeGif(file, img, 1));
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{3, 1, 3}));
    ASSERT_TRUE(DecodeGif(file, img, 2));
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{2, 2, 1}));
}

TEST(GifDecode, ReusingAnImageForgetsItsOldTransparency) {
    CxImage img;
    ASSERT_TRUE(DecodeGif(
        GifBuilder().Header(1, 1, 4).Control(0, 2).Image(0, 0, 1, 1, {1}, 2).Trailer().bytes, img));
    EXPECT_EQ(img.GetTransIndex(), 2);
    ASSERT_TRUE(
        DecodeGif(GifBuilder().Header(1, 1, 4).Image(0, 0, 1, 1, {2}, 2).Trailer().bytes, img));
    EXPECT_EQ(img.GetTransIndex(), -1);
}

TEST(GifDecode, ImageDataEndsAtItsTerminatorWhereverTheEndCodeIs) {
    // Frame 0 has no end code (its data just stops at the terminator); frame
    // 1 has sub-blocks after its end code. Neither hides the next frame.
    const Bytes noEnd = {2, 2, 0x04 | (1 << 3), 0x00 | 0x00, 0}; // clear, 1, 0 (3 bits each)
    Bytes extra = LiteralLzw({3}, 2);
    extra.pop_back();                              // drop the terminator
    extra.insert(extra.end(), {2, 0xAA, 0x55, 0}); // a stray sub-block after the end code
    const Bytes file = GifBuilder()
                           .Header(2, 1, 4)
                           .Descriptor(0, 0, 2, 1, 0)
                           .Raw(noEnd)
                           .Descriptor(1, 0, 1, 1, 0)
                           .Raw(extra)
                           .Control(0)
                           .Image(0, 0, 1, 1, {2}, 2)
                           .Trailer()
                           .bytes;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, 2));
    EXPECT_EQ(img.GetNumFrames(), 3);
    EXPECT_EQ(TopRow(img, 0), (std::vector<int>{2, 3}));
}

TEST(GifDecode, AnApplicationExtensionWithoutDataDoesNotSwallowTheNextBlock) {
    Bytes app = {0x21, 0xFF, 11};
    const std::string name = "NETSCAPE2.0";
    app.insert(app.end(), name.begin(), name.end());
    app.push_back(0);
    CxImage img;
    ASSERT_TRUE(DecodeGif(
        GifBuilder().Header(1, 1, 2).Raw(app).Image(0, 0, 1, 1, {1}, 2).Trailer().bytes, img));
    EXPECT_EQ(TopRow(img, 0), std::vector<int>{1});
}
