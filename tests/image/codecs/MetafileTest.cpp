// The metafile codec: picture sizes and their limit, header checks and
// messages, and pixels of small WMF and EMF files written here.
#include <gtest/gtest.h>

#include <tuple>

#include "image/codecs/CxImageMetafile.h"
#include "tests/image/codecs/CodecTestSupport.h"
#include "tests/support/MetafileWriter.h"

using namespace codectest;
using metafiletest::EmfWriter;
using metafiletest::WmfWriter;

namespace {

Bytes Wmf(int right, int bottom, int inch) {
    return WmfWriter().Placeable(0, 0, right, bottom, inch);
}
Bytes Flipped(Bytes b, std::size_t at, BYTE bits) {
    b[at] ^= bits;
    return b;
}

// A red rectangle without outline at (10, 10)-(50, 30) over white, one unit
// per pixel: 100 x 60 pixels.
Bytes RedBoxWmf() {
    WmfWriter w; // META_CREATEPENINDIRECT: a null pen
    w.Window(0, 0, 100, 60).Add(0x02FA, {PS_NULL, 0, 0, 0, 0}).Select(0);
    w.Brush(BS_SOLID, RGB(255, 0, 0)).Select(1).Rectangle(10, 10, 50, 30);
    return w.Placeable(0, 0, 100, 60, 96);
}
Bytes RedBoxEmf() {
    EmfWriter w;
    w.Pen(1, PS_NULL, 0, 0).Brush(2, BS_SOLID, RGB(255, 0, 0)).Select(1).Select(2);
    return w.Rectangle(10, 10, 50, 30).Metafile(0, 0, 100, 60);
}

// The codec's own decoding with forced sizes: "<width>x<height>" or the
// refusal's text.
std::string Decode(const Bytes& bytes, long forceWidth, long forceHeight, LONG escape = 0) {
    CxMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<long>(bytes.size()));
    CxImageMetafile img;
    img.SetEscape(escape);
    if (!img.Decode(&file, forceWidth, forceHeight)) return img.GetLastError();
    return std::to_string(img.GetWidth()) + "x" + std::to_string(img.GetHeight());
}

} // namespace

TEST(MetafileHeader, SizesAtScreenResolutionWithinTheLimit) {
    // The file, the forced width and height, and the size.
    const std::tuple<Bytes, long, long, const char*> cases[] = {
        {Wmf(1440, 720, 1440), 0, 0, "96x48"},
        {Wmf(2540, 254, 2540), 0, 0, "96x9"},
        {Wmf(10000, 5000, 96), 0, 0, "4000x2000"},
        {Wmf(3000, 9000, 96), 0, 0, "1333x4000"},
        {EmfWriter().Metafile(0, 0, 10000, 5000), 0, 0, "4000x2000"},
        {Wmf(30000, 1, 96), 0, 0, "4000x1"}, // a side scaled below 1 pixel keeps 1
        {Wmf(1440, 720, 1440), 50, 20, "50x20"},
        {RedBoxEmf(), 8000, 0, "4000x30"}}; // forced sizes are limited too
    for (const auto& [file, forceWidth, forceHeight, size] : cases)
        EXPECT_EQ(Decode(file, forceWidth, forceHeight), size);
}

// Without the placeable header the logical units are 96-dpi pixels: the
// frame is the first window origin and extent, else the bounds of what is
// drawn (text as count x 0.6 font heights by one height); a file that sets
// no window and draws nothing is empty.
TEST(MetafileHeader, StandardWmfSizedByWindowOrDrawing) {
    const std::pair<Bytes, const char*> cases[] = {
        {WmfWriter().Window(0, 0, 300, 200).Rectangle(10, 10, 20, 20).Metafile(), "300x200"},
        {WmfWriter().Window(-50, 269, 443, -182).Metafile(), "443x182"},
        {WmfWriter().Window(0, 0, 9000, 4500).Metafile(), "4000x2000"},
        {WmfWriter().Rectangle(10, 20, 110, 70).Ellipse(50, 0, 60, 10).Metafile(), "100x70"},
        {WmfWriter().Add(0x02FB, {20}).Add(0x0A32, {5, 0, 10, 0}, Bytes(10, 'a')).Metafile(),
         "120x20"},
        {WmfWriter().Add(0x0324, {3, 0, 0, 40, 0, 0, 30}).Metafile(), "40x30"},
        {WmfWriter().Metafile(), "empty WMF"},
        {WmfWriter().Rectangle(5, 5, 5, 40).Metafile(), "empty WMF"}};
    for (const auto& [file, size] : cases)
        EXPECT_EQ(Decode(file, 0, 0), size);
}

// Placeable headers with units per inch outside 1 to 2540, a wrong checksum,
// key or metafile type are tried as EMF, then refused. Empty: no width, less
// than a pixel, or EMF bounds whose bottom lies above their top.
TEST(MetafileHeader, RefusalsAndTheirTexts) {
    const Bytes good = Wmf(1440, 720, 1440);
    ExpectRefusals(FORMAT_WMF,
                   {{"corrupted WMF",
                     {Wmf(1440, 720, 0), Wmf(1440, 720, 2541), Flipped(good, 20, 1),
                      Flipped(good, 0, 1), Flipped(good, 22, 2), Bytes(10, 0), Bytes(200, 7)}},
                    {"empty WMF",
                     {Wmf(0, 720, 1440), Wmf(10, 100, 1440), EmfWriter().Metafile(5, 0, 5, 40),
                      EmfWriter().Metafile(0, 9, 40, 3)}}});
    EXPECT_EQ(Decode(RedBoxWmf(), 0, 0, 1), "Cancelled");
    CxImage img(4, 4, 24);
    EXPECT_TRUE(EncodeBytes(img, FORMAT_WMF).empty());
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
    EXPECT_EQ(GetLiveGdiObjectCount(), 0u);
}

// Through detection; the last file's size field counts the placeable header
// too, as some writers do: what is there is played.
TEST(MetafilePixels, ShapesLandWhereTheirCoordinatesSayOverWhite) {
    Bytes longer = RedBoxWmf();
    PutLE32(longer.data() + 28, GetLE32(longer.data() + 28) + 11);
    std::vector<std::uint8_t> box;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 100; ++x) {
            const BYTE other = x >= 10 && x < 50 && y >= 10 && y < 30 ? 0 : 255;
            box.insert(box.end(), {255, other, other});
        }
    }
    for (const Bytes& file : {RedBoxWmf(), RedBoxEmf(), longer}) {
        const CxImage img = Decoded(file, FORMAT_UNKNOWN);
        ASSERT_TRUE(img.IsValid()) << img.GetLastError();
        EXPECT_EQ(img.GetType(), DWORD{FORMAT_WMF});
        EXPECT_EQ(img.GetBpp(), 24);
        EXPECT_EQ(img.GetWidth(), 100u);
        EXPECT_TRUE(testsupport::ToRgb8(img) == box);
    }
}
