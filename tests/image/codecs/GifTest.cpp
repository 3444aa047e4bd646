// The GIF codec: the encoder's bytes, round trips the shared round-trip test
// does not cover, the decoder's documented behaviour and its handling of
// damage on files built here (with a literal-code LZW writer and a code
// reader that share nothing with the codec), and files of other programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "image/codecs/CxImageGIF.h"
#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;
using testsupport::MagickDecode;
using testsupport::ToRgb8;
using Row = std::vector<int>;

namespace {

constexpr int kLzw = 0, kUncompressed = 1, kRunLength = 2;
const Bytes kTrailer = {0x3B};

RGBQUAD GlobalColor(int i) {
    return {BYTE(i * 13 + 7), BYTE(i * 91), BYTE(i * 37), 0};
}
RGBQUAD LocalColor(int i) {
    return {BYTE(255 - i * 29), BYTE(i * 53 + 100), BYTE(i * 17 + 3), 0};
}

// Codes packed least significant bit first, each with its own width, in
// data sub-blocks closed by the terminator.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codeWidths) {
    Bytes packed, out;
    unsigned long acc = 0;
    int bits = 0;
    for (const auto& [code, width] : codeWidths) {
        acc |= static_cast<unsigned long>(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            packed.push_back(BYTE(acc));
    }
    if (bits > 0) packed.push_back(BYTE(acc));
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        out.push_back(BYTE(std::min<std::size_t>(255, packed.size() - i)));
        out.insert(out.end(), packed.begin() + long(i), packed.begin() + long(i + out.back()));
    }
    out.push_back(0);
    return out;
}

// Image data in literal codes only, with a clear code often enough to keep
// the code width at minCodeSize + 1.
Bytes LiteralLzw(const Row& pixels, int minCodeSize) {
    const int clear = 1 << minCodeSize, width = minCodeSize + 1;
    std::vector<std::pair<int, int>> codes;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % std::size_t(clear - 2) == 0) codes.push_back({clear, width});
        codes.push_back({pixels[i], width});
    }
    codes.push_back({clear + 1, width});
    return Concat({BYTE(minCodeSize)}, PackCodes(codes));
}

// The blocks of a file, joined by Gif({...}).
Bytes Gif(std::initializer_list<Bytes> blocks) {
    Bytes file;
    for (const Bytes& b : blocks)
        file = Concat(file, b);
    return file;
}

// A table's size field (0 for 2 entries ... 7 for 256), the flag set.
int TableFlags(int colors) {
    int e = 0;
    while ((2 << e) < colors)
        ++e;
    return 0x80 | e;
}

Bytes Table(int colors, RGBQUAD (*color)(int)) {
    Bytes t;
    for (int i = 0; i < colors; ++i)
        t.insert(t.end(), {color(i).rgbRed, color(i).rgbGreen, color(i).rgbBlue});
    return t;
}

// Header and logical screen; globalColors 0: no global table.
Bytes Screen(int width, int height, int globalColors, const char* signature = "GIF89a") {
    Bytes b(signature, signature + 6);
    Put16(b, unsigned(width));
    Put16(b, unsigned(height));
    b.insert(b.end(), {BYTE(globalColors ? 0x70 | TableFlags(globalColors) : 0), 0, 0});
    return Concat(b, Table(globalColors, GlobalColor));
}

Bytes Control(int disposal, int transIndex = -1, int delay = 0) {
    Bytes c = {0x21, 0xF9, 4, BYTE(disposal << 2 | (transIndex >= 0))};
    Put16(c, unsigned(delay));
    return Concat(c, {BYTE(transIndex), 0});
}

Bytes Comment(const std::string& text) {
    return Concat(Concat({0x21, 0xFE, BYTE(text.size())}, Bytes(text.begin(), text.end())), {0});
}

Bytes Descriptor(int left, int top, int width, int height, int flags = 0) {
    Bytes b = {0x2C};
    for (int v : {left, top, width, height})
        Put16(b, unsigned(v));
    return Concat(b, {BYTE(flags)});
}

// An image of width * height indices, rows top-down (stored interlaced when
// asked); localColors 0: no local table.
Bytes Image(int left, int top, int width, int height, const Row& pixels, int minCodeSize,
            int localColors = 0, bool interlaced = false) {
    Row stored;
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
        for (int r = starts[pass]; r < height; r += interlaced ? steps[pass] : 1)
            stored.insert(stored.end(), pixels.begin() + r * width,
                          pixels.begin() + (r + 1) * width);
    }
    const int flags = (interlaced ? 0x40 : 0) | (localColors ? TableFlags(localColors) : 0);
    return Gif({Descriptor(left, top, width, height, flags), Table(localColors, LocalColor),
                LiteralLzw(stored, minCodeSize)});
}

// The blocks of a file: screen flags, extensions (label and sub-blocks
// joined) and images (descriptor fields, minimum code size, data).
struct GifImage {
    int left, top, width, height, flags, minCodeSize;
    Bytes data;
    Row blockSizes;
};
struct GifLayout {
    int flags = 0;
    std::vector<std::pair<int, Bytes>> extensions;
    std::vector<GifImage> images;
};

GifLayout ParseLayout(const Bytes& b) {
    GifLayout layout{b.at(10), {}, {}};
    std::size_t pos = 13 + (b[10] & 0x80 ? 3 * (2 << (b[10] & 7)) : 0);
    const auto subBlocks = [&](Bytes& data, Row* sizes) {
        for (int n; (n = b.at(pos++)) != 0; pos += std::size_t(n)) {
            data.insert(data.end(), b.begin() + long(pos), b.begin() + long(pos) + n);
            if (sizes) sizes->push_back(n);
        }
    };
    while (b.at(pos) != 0x3B) {
        if (b[pos] == 0x21) {
            layout.extensions.push_back({b.at(pos + 1), {}});
            pos += 2;
            subBlocks(layout.extensions.back().second, nullptr);
            continue;
        }
        const auto at = [&](std::size_t i) { return b.at(pos + i) | b.at(pos + i + 1) << 8; };
        GifImage img{at(1), at(3), at(5), at(7), b.at(pos + 9), 0, {}, {}};
        pos += 10 + (img.flags & 0x80 ? 3 * (2 << (img.flags & 7)) : 0);
        img.minCodeSize = b.at(pos++);
        subBlocks(img.data, &img.blockSizes);
        layout.images.push_back(img);
    }
    return layout;
}

// The codes of image data as a decoder reads them: widths grow with the
// decoder's table and return to minCodeSize + 1 at each clear. Stops after
// the end code.
Row ReadCodes(const Bytes& data, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    int size = minCodeSize + 1, next = clear + 2;
    bool first = true;
    Row codes;
    for (std::size_t bit = 0; bit + std::size_t(size) <= data.size() * 8;) {
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit)
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back(code);
        if (code == clear + 1) break;
        if (code == clear) {
            size = minCodeSize + 1, next = clear + 2, first = true;
        } else if (first) {
            first = false;
        } else if (++next >= (1 << size) && size < 12) {
            ++size;
        }
    }
    return codes;
}

Bytes EncodeGif(CxImage& img, int option = kLzw) {
    img.SetCodecOption(DWORD(option), FORMAT_GIF);
    return EncodeBytes(img, FORMAT_GIF);
}

// What the codec object writes: its own image, or the frames as an animation.
Bytes Written(CxImageGIF& gif, std::vector<CxImage*> frames = {}, bool localTables = false) {
    CxMemFile f;
    f.Open();
    EXPECT_TRUE(frames.empty() ? gif.Encode(&f)
                               : gif.Encode(&f, frames.data(), int(frames.size()), localTables));
    return Bytes(f.GetBuffer(false), f.GetBuffer(false) + f.Size());
}

// Row y (from the top) of an indexed image.
Row TopRow(const CxImage& img, int y) {
    Row row;
    for (LONG x = 0; x < LONG(img.GetWidth()); ++x)
        row.push_back(img.GetPixelIndex(x, LONG(img.GetHeight()) - 1 - y));
    return row;
}

// A frame of a file; invalid when the file is refused.
CxImage Frame(const Bytes& file, long frame = 0) {
    CxImage img;
    DecodeBytes(file, FORMAT_GIF, img, frame);
    return img;
}

// Row y of a frame of a file, or {-1} when the file is refused.
Row FrameRow(const Bytes& file, long frame = 0, int y = 0) {
    const CxImage img = Frame(file, frame);
    return img.IsValid() ? TopRow(img, y) : Row{-1};
}

} // namespace

// ---- The encoder's bytes ---------------------------------------------------

TEST(GifEncode, ScreenTablesAndMinimumCodeSizesFollowTheDepth) {
    CxImage eight = MakePicture(5, 3, 8), one = MakePicture(9, 2, 1), four = MakePicture(9, 2, 4),
            rgb = MakePicture(3, 3, 24);
    const Bytes b = EncodeGif(eight);
    Bytes start = {'G', 'I', 'F', '8', '9', 'a', 5, 0, 3, 0, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = eight.GetPaletteColor(BYTE(i));
        start.insert(start.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
    // Graphic control (no transparency: index byte 0xFF), then the image.
    start = Gif({start, Control(0), Descriptor(0, 0, 5, 3), {8}});
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 800), start);
    EXPECT_EQ(b.back(), 0x3B);
    // 1 bit: a 2-entry table, minimum code size 2, first the clear code 4.
    const GifLayout l1 = ParseLayout(EncodeGif(one)), l4 = ParseLayout(EncodeGif(four));
    EXPECT_EQ(l1.flags, 0x80);
    EXPECT_EQ(l1.images.at(0).minCodeSize, 2);
    EXPECT_EQ(ReadCodes(l1.images[0].data, 2).front(), 4);
    EXPECT_EQ(l4.flags, 0xB3);
    EXPECT_EQ(l4.images.at(0).minCodeSize, 4);
    EXPECT_EQ(ParseLayout(EncodeGif(rgb)).flags, 0x11);
}

TEST(GifEncode, CommentsAreCutTo255CharactersAndEmptyOnesNotWritten) {
    CxImageGIF gif;
    gif.Create(4, 4, 8);
    gif.SetComment(std::string(300, 'c').c_str());
    char back[300] = {};
    gif.GetComment(back);
    EXPECT_EQ(std::strlen(back), 255u);
    EXPECT_EQ(ParseLayout(Written(gif)).extensions.at(1), (std::pair{0xFE, Bytes(255, 'c')}));
    gif.SetComment("");
    EXPECT_EQ(ParseLayout(Written(gif)).extensions.size(), 1u); // the graphic control
}

TEST(GifEncode, UncompressedCodesAreLiteralsWithAClearOnceTheTableIsFull) {
    for (DWORD bpp : {1u, 4u, 8u}) {
        CxImage img = MakePicture(100, 50, bpp);
        const GifLayout l = ParseLayout(EncodeGif(img, kUncompressed));
        const int minSize = bpp == 1 ? 2 : int(bpp), clear = 1 << minSize;
        // The clear follows the pixel at which the next free code, counting
        // one per pixel from clear + 2, reached 4096.
        Row expected = {clear};
        for (int i = 0; i < 5000; ++i) {
            expected.push_back(img.GetPixelIndex(i % 100, 49 - i / 100));
            if (i == 4096 - (clear + 2)) expected.push_back(clear);
        }
        expected.push_back(clear + 1);
        EXPECT_EQ(ReadCodes(l.images.at(0).data, minSize), expected) << bpp;
        EXPECT_LE(*std::max_element(l.images[0].blockSizes.begin(), l.images[0].blockSizes.end()),
                  254);
    }
}

TEST(GifEncode, RunLengthSendsA1000PixelRunAfterTheClearAs45Codes) {
    CxImage img(1000, 1, 8);
    img.Clear(7);
    Row expected = {256, 7};
    for (int k = 2; k <= 44; ++k)
        expected.push_back(258 + k - 2); // a run of k: 1 + 2 + ... + 44 = 990 pixels
    expected.insert(expected.end(), {258 + 10 - 2, 257}); // the last 10 pixels, the end
    EXPECT_EQ(ReadCodes(ParseLayout(EncodeGif(img, kRunLength)).images.at(0).data, 8), expected);
}

TEST(GifEncode, TrueColourImagesAreTilesOf17By15WithLocalTables) {
    CxImage img = MakePicture(40, 20, 24);
    const GifLayout l = ParseLayout(EncodeGif(img));
    Row tiles; // left, top, width and height of each
    for (const GifImage& t : l.images) {
        tiles.insert(tiles.end(), {t.left, t.top, t.width, t.height});
        EXPECT_EQ(t.flags << 8 | t.minCodeSize, 0x87 << 8 | 8); // a 256-entry table, 8 bits
    }
    EXPECT_EQ(tiles, (Row{0, 0,  17, 15, 17, 0,  17, 15, 34, 0,  6, 15,
                          0, 15, 17, 5,  17, 15, 17, 5,  34, 15, 6, 5}));
    EXPECT_EQ(l.extensions.size(), 6u); // a graphic control each
}

TEST(GifEncode, AnimationsCopiesOfTheCodecAndRefusals) {
    CxImage a = MakePicture(6, 4, 8), b = MakePicture(6, 4, 8), rgb = MakePicture(6, 4, 24), empty;
    CxImageGIF gif;
    gif.SetDisposalMethod(1);
    gif.SetComment("anim");
    // Loop count 1 writes no loop extension; others are written minus one.
    // Copies of the codec write the same.
    for (auto [loops, written] : {std::pair{1, -1}, std::pair{0, 0}, std::pair{3, 2}}) {
        gif.SetLoops(loops);
        CxImageGIF copy(gif), assigned;
        assigned = copy;
        const GifLayout l = ParseLayout(Written(loops == 3 ? assigned : copy, {&a, &b}));
        EXPECT_EQ(l.images.size(), 2u);
        std::vector<std::pair<int, Bytes>> expected = {
            {0xF9, {4, 0, 0, 255}}, {0xFE, {'a', 'n', 'i', 'm'}}, {0xF9, {4, 0, 0, 255}}};
        const std::string netscape = "NETSCAPE2.0\x01";
        const Bytes loop = Concat(Bytes(netscape.begin(), netscape.end()), {BYTE(written), 0});
        if (written >= 0) expected.insert(expected.begin(), {0xFF, loop});
        EXPECT_EQ(l.extensions, expected) << loops;
    }
    // Every frame is checked before anything is written.
    CxMemFile f;
    f.Open();
    CxImage* withNull[] = {&a, nullptr};
    CxImage* withEmpty[] = {&a, &empty};
    CxImage* withRgb[] = {&a, &rgb};
    const std::pair<CxImage**, const char*> refusals[] = {
        {withNull, "Bad image pointer"},
        {withEmpty, "null image!!!"},
        {withRgb, "multipage GIF, images need 8 bits per pixel or fewer"}};
    for (const auto& [images, message] : refusals) {
        EXPECT_FALSE(gif.Encode(&f, images, 2));
        EXPECT_STREQ(gif.GetLastError(), message);
    }
    EXPECT_EQ(f.Size(), 0);
}

// ---- Round trips beyond the shared ones --------------------------------------

TEST(GifRoundTrip, RunLengthCoderOnRunsOfEveryLength) {
    // Runs from 1 to thousands of pixels drive every branch of the coder:
    // plain codes, triangles after a clear, repeats of the table's longest
    // run, and forced clears. 2800 x 2700 equal pixels need more codes after
    // one clear than the table holds.
    CxImage runs(997, 211, 8), flat(2800, 2700, 8);
    unsigned state = 12345;
    for (LONG i = 0, left = 0, color = 0; i < 997 * 211; ++i) {
        if (left-- <= 0) {
            state = state * 1103515245 + 12345;
            left = LONG((state >> 8) % ((state >> 20) % 4 == 0 ? 5000 : 40));
            color = LONG((state >> 4) % 3);
        }
        runs.SetPixelIndex(i % 997, i / 997, BYTE(color));
    }
    flat.Clear(1);
    for (CxImage* img : {&runs, &flat}) {
        const Bytes file = EncodeGif(*img, kRunLength);
        CxImage back;
        ASSERT_TRUE(DecodeBytes(file, FORMAT_GIF, back));
        EXPECT_EQ(ToRgb8(back), ToRgb8(*img));
        const Row codes = ReadCodes(ParseLayout(file).images.at(0).data, 8);
        EXPECT_GE(std::count(codes.begin(), codes.end(), 256), 2);
    }
}

TEST(GifRoundTrip, AnimationsThroughTheDispatchOurDecoderAndImageMagick) {
    CxImage images[] = {MakePicture(30, 20, 8), MakePicture(30, 20, 8), MakePicture(30, 20, 4)};
    for (int i = 0; i < 3; ++i)
        images[i].SetFrameDelay(DWORD(10 * (i + 1)));
    std::vector<CxImage*> frames = {&images[0], &images[1], &images[2]};
    for (bool local : {false, true}) {
        CxMemFile f;
        f.Open();
        CxImageGIF gif;
        ASSERT_TRUE(local ? gif.Encode(&f, frames.data(), 3, true)
                          : CxImage().Encode(&f, frames.data(), 3, FORMAT_GIF));
        const Bytes file(f.GetBuffer(false), f.GetBuffer(false) + f.Size());
        const std::string path = testsupport::TempFile("anim.gif");
        WriteFileBytes(path, file);
        for (int i = 0; i < 3; ++i) {
            CxImage back;
            ASSERT_TRUE(DecodeBytes(file, FORMAT_GIF, back, i));
            EXPECT_EQ(back.GetNumFrames(), 3);
            EXPECT_EQ(back.GetFrameDelay(), DWORD(10 * (i + 1)));
            // Our canvas shows every frame with the last frame's table;
            // ImageMagick shows the 4-bit frame (with its own table) with the
            // global one unless it has a local one.
            EXPECT_TRUE(i == 2 || ToRgb8(back) == ToRgb8(images[i]));
            const auto magick = MagickDecode(path, i);
            EXPECT_TRUE(!testsupport::HaveMagick() || (i == 2 && !local) ||
                        (magick && Differences(images[i], *magick) == 0))
                << i;
        }
    }
}

// ---- The decoder's documented behaviour -------------------------------------

TEST(GifDecode, SignaturesMetadataAndTheDimensionQuery) {
    for (const char* sig : {"GIF87a", "GIF89a", "GIF89b", "GIF90a"}) {
        const Bytes file = Gif({Screen(2, 1, 2, sig), Image(0, 0, 2, 1, {0, 1}, 2), kTrailer});
        EXPECT_EQ(FrameRow(file), (sig[3] == '8' ? Row{0, 1} : Row{-1}));
    }
    const Bytes file = Gif({Screen(300, 200, 2), Image(0, 0, 1, 1, {1}, 2), kTrailer});
    CxImage img;
    img.SetEscape(-1);
    ASSERT_TRUE(DecodeBytes(file, FORMAT_GIF, img));
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetWidth() * 1000 + img.GetHeight(), 300200u);
    const std::string app = "ANIMEXTS1.0";
    const Bytes loop =
        Concat(Concat({0x21, 0xFF, 11}, Bytes(app.begin(), app.end())), {3, 1, 7, 0, 0});
    CxImageGIF gif;
    ASSERT_TRUE(DecodeWith(Gif({Screen(2, 1, 4), loop, Comment("hello"), Control(3, 1, 77),
                                Image(0, 0, 2, 1, {1, 2}, 2), kTrailer}),
                           gif));
    char comment[256];
    gif.GetComment(comment);
    EXPECT_STREQ(comment, "hello");
    // A loop extension of any name counts.
    EXPECT_EQ((std::vector<long>{gif.GetLoops(), gif.GetDisposalMethod(), long(gif.GetFrameDelay()),
                                 gif.GetTransIndex(), gif.GetNumFrames()}),
              (std::vector<long>{7, 3, 77, 1, 1})); // loops, disposal, delay, index, frames
}

TEST(GifDecode, TheCanvasStartsAsTheControlsIndexAndFramesComposeOnIt) {
    const Bytes small =
        Gif({Screen(6, 4, 4), Control(0, 2), Image(1, 1, 3, 2, {0, 1, 2, 3, 3, 1}, 2), kTrailer});
    const CxImage img = Frame(small);
    EXPECT_EQ(img.GetTransIndex(), 2);
    EXPECT_EQ(TopRow(img, 0), Row(6, 2));
    EXPECT_EQ(TopRow(img, 1), (Row{2, 0, 1, 2, 2, 2}));
    EXPECT_EQ(TopRow(img, 2), (Row{2, 3, 3, 1, 2, 2}));
    // Without the transparency flag the index byte still fills the canvas.
    Bytes flagless = Control(0, 3);
    flagless[3] = 0;
    EXPECT_EQ(FrameRow(Gif({Screen(4, 1, 4), flagless, Image(0, 0, 1, 1, {1}, 2), kTrailer})),
              (Row{1, 3, 3, 3}));
    // Disposal 2 turns the whole canvas into the low byte of the first
    // frame's transparent index (-1: 255, which a 4-bit canvas holds as 15).
    for (int colors : {4, 256}) {
        const Bytes file =
            Gif({Screen(4, 4, colors), Control(0),
                 Image(0, 0, 4, 4, Row(16, 1), colors == 4 ? 2 : 8), Control(2),
                 Image(0, 0, 2, 2, Row(4, 2), 2), Control(0), Image(3, 3, 1, 1, {3}, 2), kTrailer});
        const int fill = colors == 4 ? 15 : 255;
        EXPECT_EQ(FrameRow(file, 0), Row(4, 1));
        EXPECT_EQ(FrameRow(file, 1), (Row{2, 2, 1, 1}));
        EXPECT_EQ(FrameRow(file, 2), Row(4, fill));
        EXPECT_EQ(FrameRow(file, 2, 3), (Row{fill, fill, fill, 3}));
    }
}

TEST(GifDecode, TrueColourMosaicAndInterlacedRows) {
    // No global table, three frames with local tables, the first narrower
    // and lower than the screen.
    const Bytes mosaic = Gif({Screen(5, 4, 0), Image(0, 0, 3, 2, {0, 1, 2, 3, 2, 1}, 2, 4),
                              Image(3, 0, 2, 2, {3, 3, 0, 0}, 2, 4),
                              Image(0, 2, 5, 2, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2}, 2, 4), kTrailer});
    CxImage img;
    ASSERT_TRUE(DecodeBytes(mosaic, FORMAT_GIF, img));
    EXPECT_EQ(img.GetBpp(), 24);
    const int expected[4][5] = {{0, 1, 2, 3, 3}, {3, 2, 1, 0, 0}, {1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}};
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(img.GetPixelColor(i % 5, 3 - i / 5, false), LocalColor(expected[i / 5][i % 5]));
    // Interlaced images of every height up to 20 (a pass starting below the
    // image is skipped).
    for (int height = 1; height <= 20; ++height) {
        Row pixels;
        for (int r = 0; r < height; ++r)
            pixels.insert(pixels.end(), {r % 16, (r * 7) % 16});
        const Bytes file = Gif({Screen(2, height, 16), Image(0, 0, 2, height, pixels, 4, 0, true)});
        for (int r = 0; r < height; ++r)
            ASSERT_EQ(FrameRow(file, 0, r), (Row{r % 16, (r * 7) % 16})) << height;
    }
}

TEST(GifDecode, FramesInsideTheScreenAndTablesAndTransparencyPerFrame) {
    // The frame reaching outside the screen is neither counted nor drawn.
    const Bytes outside =
        Gif({Screen(4, 1, 4), Image(0, 0, 4, 1, Row(4, 1), 2), Image(2, 0, 3, 1, {3, 3, 3}, 2),
             Image(0, 0, 1, 1, {2}, 2), kTrailer});
    CxImage img = Frame(outside, 1);
    EXPECT_EQ(img.GetNumFrames(), 2);
    EXPECT_EQ(TopRow(img, 0), (Row{2, 1, 1, 1}));
    EXPECT_EQ(FrameRow(outside, 2), Row{-1});
    EXPECT_EQ(FrameRow(outside, -1), Row{-1});
    // A local table governs its own frame only.
    const Bytes tables = Gif(
        {Screen(2, 1, 2), Image(0, 0, 2, 1, {0, 1}, 2, 4), Image(0, 0, 2, 1, {1, 0}, 2), kTrailer});
    EXPECT_EQ(Frame(tables, 0).GetPaletteColor(1).rgbRed, LocalColor(1).rgbRed);
    EXPECT_EQ(Frame(tables, 1).GetPaletteColor(1).rgbRed, GlobalColor(1).rgbRed);
    // A later frame's transparent index does not make the first frame's
    // pixels transparent, and a control without the flag clears it.
    const Bytes file = Gif({Screen(3, 1, 4), Image(0, 0, 3, 1, {2, 1, 2}, 2), Control(0, 2),
                            Image(0, 0, 3, 1, {3, 2, 3}, 2), Control(0),
                            Image(0, 0, 3, 1, {2, 2, 1}, 2), kTrailer});
    EXPECT_EQ(Frame(file).GetTransIndex(), -1);
    EXPECT_EQ(FrameRow(file, 0), (Row{2, 1, 2}));
    EXPECT_EQ(FrameRow(file, 1), (Row{3, 1, 3}));
    EXPECT_EQ(FrameRow(file, 2), (Row{2, 2, 1}));
    // Decoding into an image that had a transparent index forgets it.
    ASSERT_TRUE(DecodeBytes(Gif({Screen(1, 1, 4), Control(0, 2), Image(0, 0, 1, 1, {1}, 2)}),
                            FORMAT_GIF, img));
    EXPECT_EQ(img.GetTransIndex(), 2);
    ASSERT_TRUE(DecodeBytes(Gif({Screen(1, 1, 4), Image(0, 0, 1, 1, {2}, 2)}), FORMAT_GIF, img));
    EXPECT_EQ(img.GetTransIndex(), -1);
}

TEST(GifDecode, StreamsOtherWritersProduce) {
    // Data that does not start with a clear code: literal 1, then code 6
    // (the first free one: "1" plus its first character), then the end.
    EXPECT_EQ(FrameRow(Gif({Screen(3, 1, 4), Descriptor(0, 0, 3, 1),
                            Concat({2}, PackCodes({{1, 3}, {6, 3}, {5, 3}})), kTrailer})),
              (Row{1, 1, 1}));
    // A later frame with a larger table is not cut to the first frame's depth.
    const Row odd = {1, 3, 5, 7, 9, 11, 13, 15};
    const CxImage img = Frame(Gif({Screen(8, 1, 2), Image(0, 0, 8, 1, Row(8, 1), 2),
                                   Image(0, 0, 8, 1, odd, 4, 16), kTrailer}),
                              1);
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(TopRow(img, 0), odd);
    // A zero-length comment ends the scan: before any image nothing is
    // decoded; after the first, that frame stands.
    EXPECT_EQ(FrameRow(Gif({Screen(1, 1, 2), Comment(""), Image(0, 0, 1, 1, {1}, 2), kTrailer})),
              Row{-1});
    EXPECT_EQ(FrameRow(Gif({Screen(1, 1, 2), Image(0, 0, 1, 1, {1}, 2), Comment(""),
                            Image(0, 0, 1, 1, {0}, 2), kTrailer}),
                       1),
              Row{1});
    // An application extension without data does not swallow the next block.
    const Bytes app = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0};
    EXPECT_EQ(FrameRow(Gif({Screen(1, 1, 2), app, Image(0, 0, 1, 1, {1}, 2), kTrailer})), Row{1});
}

// ---- Damage -------------------------------------------------------------------

namespace {

// A damaged image followed by a 2 x 1 image of indices {2, 1}: the last
// frame must decode to that image.
void ExpectRecovered(const Bytes& damaged, const char* what, int width = 2, int height = 1) {
    const Bytes file = Gif({Screen(2, 1, 4), Descriptor(0, 0, width, height), damaged, Control(0),
                            Image(0, 0, 2, 1, {2, 1}, 2), kTrailer});
    CxImage probe;
    ASSERT_TRUE(DecodeBytes(file, FORMAT_GIF, probe)) << what;
    EXPECT_EQ(FrameRow(file, probe.GetNumFrames() - 1), (Row{2, 1})) << what;
}

} // namespace

TEST(GifHostile, DamagedImagesAreSkipped) {
    // Clear, 0, then 7 while the next free code is 6: beyond the table. Then
    // the bad code makes entry 7 its own prefix, and code 7 loops.
    ExpectRecovered(Concat({2}, PackCodes({{4, 3}, {0, 3}, {7, 3}, {5, 3}})), "beyond the table");
    ExpectRecovered(
        Concat({2}, PackCodes({{4, 3}, {0, 3}, {7, 3}, {6, 3}, {7, 4}, {7, 4}, {5, 4}})),
        "looping prefix chain");
    for (BYTE size : {0, 1, 10, 12, 255}) {
        Bytes data = LiteralLzw({1, 1}, 2);
        data[0] = size;
        ExpectRecovered(data, "minimum code size");
    }
    ExpectRecovered({2, 0}, "no data");
    ExpectRecovered(LiteralLzw(Row(500, 3), 2), "too much data");
    ExpectRecovered(LiteralLzw({1}, 2), "zero width", 0, 1);
    ExpectRecovered(LiteralLzw({1}, 2), "zero height", 2, 0);
    ExpectRecovered(LiteralLzw({1, 1, 1}, 2), "frame larger than the screen", 3, 1);
    // Frame 0 has no end code; frame 1 has a sub-block after its end code.
    Bytes extra = LiteralLzw({3}, 2);
    extra.insert(extra.end() - 1, {2, 0xAA, 0x55});
    const Bytes ends = Gif({Screen(2, 1, 4), Descriptor(0, 0, 2, 1), Bytes{2, 2, 0x0C, 0x00, 0},
                            Descriptor(1, 0, 1, 1), extra, Image(0, 0, 1, 1, {2}, 2), kTrailer});
    EXPECT_EQ(FrameRow(ends, 2), (Row{2, 3}));
    // No trailer; a sub-block claiming more bytes than the file holds.
    EXPECT_EQ(FrameRow(Gif({Screen(2, 1, 4), Image(0, 0, 2, 1, {1, 3}, 2)})), (Row{1, 3}));
    EXPECT_EQ(FrameRow(Gif({Screen(2, 1, 4), Descriptor(0, 0, 2, 1), {2, 200, 0x0C, 0x0A}})).size(),
              2u);
}

TEST(GifHostile, RowsTheDataDoesNotSupplyHoldTheCanvas) {
    // 4 rows of index 1, data for one and a half: the rest is the canvas,
    // filled with the control's index byte (3), never stale memory.
    const Bytes file = Gif({Screen(4, 4, 4), Control(0, 3), Descriptor(0, 0, 4, 4),
                            LiteralLzw(Row(6, 1), 2), kTrailer});
    EXPECT_EQ(FrameRow(file, 0, 0), Row(4, 1));
    EXPECT_EQ(FrameRow(file, 0, 1), (Row{1, 1, 3, 3}));
    EXPECT_EQ(FrameRow(file, 0, 3), Row(4, 3));
}

TEST(GifHostile, ThousandsOfTinyFramesAndLongDataStayLinear) {
    // 20000 one-pixel frames on a 3000 x 3000 screen, each disposed to the
    // background: copying or clearing the screen per frame would cost
    // hundreds of gigabytes of memory traffic.
    constexpr int kFrames = 20000;
    Bytes file = Screen(3000, 3000, 4);
    for (int i = 0; i < kFrames; ++i) {
        const Bytes frame =
            Gif({Control(2), Image(i % 3000, (i / 3000) * 7, 1, 1, {1 + i % 3}, 2)});
        file.insert(file.end(), frame.begin(), frame.end());
    }
    const auto start = std::chrono::steady_clock::now();
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(file, kTrailer), FORMAT_GIF, img, kFrames - 1));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              30.0);
    EXPECT_EQ(img.GetNumFrames(), kFrames);
    // Only the last frame shows; everything else is the background (15).
    const LONG lastX = (kFrames - 1) % 3000, lastY = 2999 - ((kFrames - 1) / 3000) * 7;
    EXPECT_EQ(img.GetPixelIndex(lastX, lastY), 1 + (kFrames - 1) % 3);
    EXPECT_EQ(img.GetPixelIndex(lastX - 1, lastY), 15);
    // 1 x 1 frames, plain and interlaced, each followed by 300 KB of codes.
    for (int flags : {0, 0x40}) {
        EXPECT_EQ(
            FrameRow(Gif({Screen(2, 1, 4), Descriptor(0, 0, 1, 1, flags),
                          LiteralLzw(Row(800000, 2), 2), Image(0, 0, 2, 1, {2, 1}, 2), kTrailer}),
                     1),
            (Row{2, 1}))
            << flags;
    }
}

// ---- Files other programs write ---------------------------------------------

TEST(GifRealFiles, ImageMagickAnimationsWithACommonTable) {
    // Frames smaller than the screen on one global table (and a transparent
    // first frame): our composition agrees with ImageMagick's frame by frame
    // (the other recipes' frame 0 is in the shared table).
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string pal = testsupport::TempFile("pal.gif"), path = testsupport::TempFile("a.gif");
    for (const auto& [colours, recipe, frames] :
         {std::tuple{"xc:white",
                     "-size 50x40 xc:white -page +5+5 -size 20x10 xc:red -page +20+20 "
                     "-size 15x15 xc:blue -page +30+2 -size 8x30 xc:lime",
                     4},
          std::tuple{"xc:none",
                     "-size 30x30 xc:none -fill red -draw 'circle 15,15 15,5' -page "
                     "+5+5 -size 10x10 xc:blue",
                     1}}) {
        ASSERT_TRUE(MagickWrite(std::string(colours) + " xc:red xc:blue xc:lime +append", pal));
        ASSERT_TRUE(MagickWrite("-dispose none " + std::string(recipe) + " -remap " + pal, path));
        for (int k = 0; k < frames; ++k) {
            CxImage ours;
            ASSERT_TRUE(DecodeBytes(ReadFileBytes(path), FORMAT_GIF, ours, k));
            const auto magick = MagickDecode(path, k);
            ASSERT_TRUE(magick);
            EXPECT_EQ(Differences(ours, *magick), 0) << recipe << " frame " << k;
        }
    }
}
