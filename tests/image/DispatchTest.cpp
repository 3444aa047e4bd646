#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "image/CxMemFile.h"
#include "tests/image/codecs/CodecTestSupport.h"

using codectest::Bytes;

TEST(Dispatch, FailedDetectionRewindsAndKeepsTheImage) {
    BYTE block[64];
    std::memset(block, 'q', sizeof block);
    CxMemFile f(block, sizeof block);
    f.Seek(7, SEEK_SET);
    CxImage img(2, 2, 24);
    void* before = img.GetDIB();
    for (DWORD format : {DWORD(FORMAT_UNKNOWN), DWORD(9)}) {
        EXPECT_FALSE(img.Decode(&f, format));
        EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
        EXPECT_EQ(f.Tell(), 7);
        EXPECT_EQ(img.GetDIB(), before);
    }
}

TEST(Dispatch, EncodeRefusals) {
    CxImage img(2, 2, 24);
    CxMemFile f;
    f.Open();
    EXPECT_FALSE(img.Encode(&f, FORMAT_UNKNOWN));
    EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format");

    BYTE dummy = 0;
    BYTE* buffer = &dummy;
    long size = 5;
    EXPECT_FALSE(img.Encode(buffer, size, FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "the buffer must be empty");
    EXPECT_EQ(size, 5);

    CxImage* frames[1] = {&img};
    EXPECT_FALSE(img.Encode(&f, frames, 1, FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "Multipage Encode, Unsupported operation for this format");

    EXPECT_TRUE(img.EncodeSafeCheck(nullptr));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    EXPECT_FALSE(img.EncodeSafeCheck(&f));
}

TEST(Dispatch, FailedSavesNeverTouchTheFile) {
    const std::string path = testing::TempDir() + "torvex_keep.bmp";
    std::ofstream(path) << "precious";
    CxImage empty, rgb(2, 2, 24);
    EXPECT_FALSE(empty.Save(path.c_str(), FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_FALSE(empty.Save(path.c_str(), 99));
    EXPECT_FALSE(rgb.Save(path.c_str(), FORMAT_WBMP)); // the encoder takes only 1 bit
    std::string content;
    std::ifstream(path) >> content;
    EXPECT_EQ(content, "precious");
    std::remove(path.c_str());
    EXPECT_FALSE(rgb.Save(path.c_str(), FORMAT_WBMP));
    EXPECT_FALSE(std::ifstream(path).good());
}

// Saving writes exactly the encoded bytes, replacing what the file held,
// whether the codec streams into the file (BMP) or encodes into memory first.
TEST(Dispatch, SavesWriteTheEncodedBytes) {
    CxImage rgb(5, 3, 24), mono(9, 2, 1);
    rgb.SetPixelColor(4, 2, RGB(10, 20, 30));
    mono.SetPixelIndex(3, 1, 1);
    const struct {
        CxImage* image;
        DWORD format;
    } cases[] = {{&rgb, FORMAT_BMP}, {&mono, FORMAT_BMP}, {&rgb, FORMAT_TGA}, {&mono, FORMAT_WBMP}};
    const std::string path = testing::TempDir() + "torvex_saved";
    for (const auto& c : cases) {
        std::ofstream(path) << "an older and much longer content than any of these images";
        ASSERT_TRUE(c.image->Save(path.c_str(), c.format)) << c.format;
        EXPECT_EQ(codectest::ReadFileBytes(path), codectest::EncodeBytes(*c.image, c.format));
    }
    std::remove(path.c_str());
}

// A file that cannot be created leaves lastError as it was (the caller says
// why), and creates nothing.
TEST(Dispatch, SavesIntoAMissingFolderFailWithoutAText) {
    const std::string path = testing::TempDir() + "torvex_no_such_folder/out.bmp";
    CxImage rgb(2, 2, 24);
    for (DWORD format : {DWORD(FORMAT_BMP), DWORD(FORMAT_TGA)}) {
        EXPECT_FALSE(rgb.Save(path.c_str(), format));
        EXPECT_STREQ(rgb.GetLastError(), "") << format;
    }
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST(Dispatch, DecodeStartsAtTheStreamPositionAndLeavesTheBlockAlone) {
    CxImage img(4, 3, 24);
    img.SetPixelColor(1, 2, RGB(10, 20, 30));
    Bytes shifted = codectest::Concat(Bytes(5, 'x'), codectest::EncodeBytes(img, FORMAT_BMP));
    const Bytes before = shifted;
    CxMemFile f(shifted.data(), static_cast<long>(shifted.size()));
    f.Seek(5, SEEK_SET);
    CxImage back;
    ASSERT_TRUE(back.Decode(&f, FORMAT_UNKNOWN)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), static_cast<DWORD>(FORMAT_BMP));
    EXPECT_EQ(back.GetPixelColor(1, 2, false), (RGBQUAD{30, 20, 10, 0}));
    EXPECT_EQ(shifted, before) << "decoders never write the caller's block";
}

TEST(Dispatch, ANewPictureDoesNotInheritTheOldOnesTransparency) {
    CxImage gif(4, 4, 8), bmp(4, 4, 8), img;
    gif.SetTransIndex(3);
    ASSERT_TRUE(
        codectest::DecodeBytes(codectest::EncodeBytes(gif, FORMAT_GIF), FORMAT_UNKNOWN, img));
    EXPECT_EQ(img.GetTransIndex(), 3);
    ASSERT_TRUE(
        codectest::DecodeBytes(codectest::EncodeBytes(bmp, FORMAT_BMP), FORMAT_UNKNOWN, img));
    EXPECT_EQ(img.GetTransIndex(), -1);
}

// Under detection, a codec that recognised its signature (BMP, ICO, GIF, TGA
// 2.0, PCX, the metafiles) and then failed speaks for the file; otherwise the caller
// sees "Decode: Unknown or wrong format", or, when loading with a named
// format, that codec's complaint.
TEST(Dispatch, DetectionReportsTheCodecThatRecognisedTheFile) {
    const Bytes bmp = codectest::BmpFile(640, 480, 24);
    const Bytes pcx = codectest::Concat(codectest::PcxHeader(1, 1, 8, 5, 0), {0, 0});
    Bytes icon = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    icon = codectest::Concat(icon, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    icon.resize(80, 0);
    Bytes placeable = {0xD7, 0xCD, 0xC6, 0x9A};
    placeable.resize(60, 0);
    const Bytes gifWithoutImages = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
    const Bytes tgaCutShort = codectest::TgaHeader(2, 4, 4, 24);
    // A TGA 2.0 file: its footer follows a header with a colour map too long.
    Bytes tgaWithFooter = codectest::TgaHeader(1, 4, 4, 8, 0, 257, 24);
    tgaWithFooter.resize(tgaWithFooter.size() + 8, 0);
    for (char c : std::string("TRUEVISION-XFILE."))
        tgaWithFooter.push_back(BYTE(c));
    tgaWithFooter.push_back(0);
    const std::string unknown = "Decode: Unknown or wrong format";
    const struct {
        const char* what;
        Bytes file;
        std::string detected, loadedAsBmp;
    } cases[] = {
        {"a BMP cut after its header", bmp, "BMP file too short for its image", ""},
        {"a bare DIB header", codectest::InfoHeader(640, 480, 24),
         "BMP file too short for its image", ""},
        {"a PCX of 5 planes", pcx, "Can't handle image with more than 4 planes", ""},
        {"an icon holding a PNG", icon, "PNG icon images are not supported", ""},
        {"a placeable metafile key alone", placeable, "corrupted WMF", ""},
        {"a GIF without images (refused silently)", gifWithoutImages, unknown,
         "Error reading BMP info"},
        {"a TGA cut short (no footer, no signature)", tgaCutShort, unknown,
         "Error reading BMP info"},
        {"a TGA 2.0 file (its footer)", tgaWithFooter, "bad TGA header", ""},
        {"text", Bytes{'o', 'n', 'l', 'y', ' ', 't', 'e', 'x', 't'}, unknown, "Not a BMP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CxImage img;
        EXPECT_FALSE(codectest::DecodeBytes(c.file, FORMAT_UNKNOWN, img));
        EXPECT_EQ(img.GetLastError(), c.detected);
        const std::string path = testsupport::TempFile("detect.bmp");
        codectest::WriteFileBytes(path, c.file);
        EXPECT_FALSE(img.Load(path.c_str(), FORMAT_BMP));
        EXPECT_EQ(img.GetLastError(), c.loadedAsBmp.empty() ? c.detected : c.loadedAsBmp);
        std::remove(path.c_str());
    }
}
