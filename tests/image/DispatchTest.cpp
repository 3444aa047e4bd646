#include <gtest/gtest.h>

#include <cstdio>
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
