#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "image/CxMemFile.h"

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

TEST(Dispatch, DecodeStartsAtTheStreamPositionAndLeavesTheBlockAlone) {
    CxImage img(4, 3, 24);
    img.SetPixelColor(1, 2, RGB(10, 20, 30));
    BYTE* block = nullptr;
    long size = 0;
    ASSERT_TRUE(img.Encode(block, size, FORMAT_BMP));
    std::vector<BYTE> shifted(block, block + size);
    shifted.insert(shifted.begin(), 5, 'x');
    CxImage::FreeMemory(block);
    const std::vector<BYTE> before = shifted;
    CxMemFile f(shifted.data(), static_cast<long>(shifted.size()));
    f.Seek(5, SEEK_SET);
    CxImage back;
    ASSERT_TRUE(back.Decode(&f, FORMAT_UNKNOWN)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), static_cast<DWORD>(FORMAT_BMP));
    EXPECT_EQ(back.GetPixelColor(1, 2, false), (RGBQUAD{30, 20, 10, 0}));
    EXPECT_EQ(shifted, before) << "decoders never write the caller's block";
}

TEST(Dispatch, ANewPictureDoesNotInheritTheOldOnesTransparency) {
    CxImage gif(4, 4, 8);
    gif.SetTransIndex(3);
    BYTE* gifBytes = nullptr;
    long gifSize = 0;
    ASSERT_TRUE(gif.Encode(gifBytes, gifSize, FORMAT_GIF));
    CxImage bmp(4, 4, 8);
    BYTE* bmpBytes = nullptr;
    long bmpSize = 0;
    ASSERT_TRUE(bmp.Encode(bmpBytes, bmpSize, FORMAT_BMP));

    CxImage img;
    ASSERT_TRUE(img.Decode(gifBytes, static_cast<DWORD>(gifSize), FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetTransIndex(), 3);
    ASSERT_TRUE(img.Decode(bmpBytes, static_cast<DWORD>(bmpSize), FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetTransIndex(), -1);
    CxImage::FreeMemory(gifBytes);
    CxImage::FreeMemory(bmpBytes);
}
