#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "image/CxImage.h"
#include "image/CxMemFile.h"

namespace {

std::string TempPath(const char* name) {
    return testing::TempDir() + name;
}

bool Exists(const std::string& path) {
    return std::ifstream(path).good();
}

} // namespace

TEST(Dispatch, MissingFileGivesAnInvalidImageWithoutText) {
    CxImage img("/nonexistent/torvex.bmp", FORMAT_BMP);
    EXPECT_FALSE(img.IsValid());
    EXPECT_STREQ(img.GetLastError(), "");
}

TEST(Dispatch, UnknownFormatIdsReadNothing) {
    BYTE block[4] = {'B', 'M', 0, 0};
    CxMemFile f(block, 4);
    CxImage img;
    EXPECT_FALSE(img.Decode(&f, 9));
    EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_EQ(f.Tell(), 0);
}

TEST(Dispatch, UnrecognisedDataFailsDetectionAndKeepsTheImage) {
    CxImage img(2, 2, 24);
    void* before = img.GetDIB();
    const BYTE text[] = "just some text, no image here";
    EXPECT_FALSE(img.Decode(text, sizeof text, FORMAT_UNKNOWN));
    EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_EQ(img.GetDIB(), before);
}

TEST(Dispatch, EncodeRefusals) {
    CxImage img(2, 2, 24);
    CxMemFile f;
    f.Open();
    EXPECT_FALSE(img.Encode(&f, FORMAT_UNKNOWN));
    EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format");
    EXPECT_FALSE(img.Encode(&f, 8));
    EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format");

    BYTE dummy = 0;
    BYTE* buffer = &dummy;
    long size = 5;
    EXPECT_FALSE(img.Encode(buffer, size, FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "the buffer must be empty");
    EXPECT_EQ(buffer, &dummy);
    EXPECT_EQ(size, 5);

    CxImage* frames[1] = {&img};
    EXPECT_FALSE(img.Encode(&f, frames, 1, FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "Multipage Encode, Unsupported operation for this format");

    EXPECT_TRUE(img.EncodeSafeCheck(nullptr));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    EXPECT_FALSE(img.EncodeSafeCheck(&f));
    CxImage empty;
    EXPECT_TRUE(empty.EncodeSafeCheck(&f));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

TEST(Dispatch, FailedSaveLeavesAnExistingFileAlone) {
    const std::string path = TempPath("torvex_keep.bin");
    {
        std::ofstream out(path);
        out << "precious";
    }
    CxImage empty;
    EXPECT_FALSE(empty.Save(path.c_str(), 99));
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "precious");
    std::remove(path.c_str());

    const std::string fresh = TempPath("torvex_never.bin");
    EXPECT_FALSE(empty.Save(fresh.c_str(), 99));
    EXPECT_FALSE(Exists(fresh));
}

TEST(Dispatch, TextFileFailsWithTheNamedCodecsTextOrTheDetectionText) {
    const std::string path = TempPath("torvex_text.bmp");
    {
        std::ofstream out(path);
        out << "This is a plain text file, not a picture of any kind.\n";
    }
    CxImage named(path.c_str(), FORMAT_BMP);
    EXPECT_FALSE(named.IsValid());
    EXPECT_STREQ(named.GetLastError(), "Error reading BMP info");
    CxImage detected(path.c_str(), FORMAT_UNKNOWN);
    EXPECT_FALSE(detected.IsValid());
    EXPECT_STREQ(detected.GetLastError(), "Decode: Unknown or wrong format");
    std::remove(path.c_str());
}

TEST(Dispatch, FailedDetectionRewindsTheStream) {
    BYTE text[64];
    std::memset(text, 'q', sizeof text);
    CxMemFile f(text, sizeof text);
    ASSERT_TRUE(f.Seek(7, SEEK_SET));
    CxImage img;
    EXPECT_FALSE(img.Decode(&f, FORMAT_UNKNOWN));
    EXPECT_EQ(f.Tell(), 7);
}

TEST(Dispatch, DecodingFromMemoryLeavesTheBlockAlone) {
    CxImage img(3, 2, 24);
    img.Clear(200);
    BYTE* block = nullptr;
    long size = 0;
    ASSERT_TRUE(img.Encode(block, size, FORMAT_BMP));
    const std::vector<BYTE> before(block, block + size);
    CxImage back(block, static_cast<DWORD>(size), FORMAT_UNKNOWN);
    EXPECT_TRUE(back.IsValid());
    EXPECT_EQ(back.GetType(), FORMAT_BMP);
    EXPECT_EQ(std::vector<BYTE>(block, block + size), before);
    CxImage::FreeMemory(block);
}

TEST(Dispatch, DecodeStartsAtTheStreamPosition) {
    CxImage img(2, 2, 8);
    img.SetPixelIndex(1, 1, 5);
    BYTE* block = nullptr;
    long size = 0;
    ASSERT_TRUE(img.Encode(block, size, FORMAT_BMP));
    std::vector<BYTE> shifted(block, block + size);
    shifted.insert(shifted.begin(), 5, 'x');
    CxImage::FreeMemory(block);
    CxMemFile f(shifted.data(), static_cast<long>(shifted.size()));
    f.Seek(5, SEEK_SET);
    CxImage back;
    ASSERT_TRUE(back.Decode(&f, FORMAT_UNKNOWN)) << back.GetLastError();
    EXPECT_EQ(back.GetPixelIndex(1, 1), 5);
}

TEST(Dispatch, SaveAndLoadRoundTrip) {
    const std::string path = TempPath("torvex_round.bmp");
    CxImage img(4, 3, 24);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 50), BYTE(y * 80), 9));
    ASSERT_TRUE(img.Save(path.c_str(), FORMAT_BMP)) << img.GetLastError();
    CxImage back(path.c_str(), FORMAT_UNKNOWN);
    ASSERT_TRUE(back.IsValid()) << back.GetLastError();
    EXPECT_EQ(back.GetType(), FORMAT_BMP);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x)
            EXPECT_EQ(back.GetPixelColor(x, y, false), img.GetPixelColor(x, y, false));

    CxImage empty;
    EXPECT_FALSE(empty.Save(path.c_str(), FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_TRUE(CxImage(path.c_str(), FORMAT_BMP).IsValid()) << "a failed save kept the file";
    std::remove(path.c_str());
}
