#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

TEST(TestSupport, Md5MatchesKnownDigests) {
    EXPECT_EQ(Md5Hex({}), "d41d8cd98f00b204e9800998ecf8427e");
    const std::string fox = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(Md5Hex(std::vector<std::uint8_t>(fox.begin(), fox.end())),
              "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(Md5Hex(std::vector<std::uint8_t>(1000, 'a')), "cabe45dcc9ae5b66ba86600cca6b8ba8");
}

TEST(TestSupport, DumpsRowsTopDown) {
    CxImage img(2, 2, 24);
    img.SetPixelColor(0, 1, RGB(1, 2, 3)); // top-left
    img.SetPixelColor(1, 0, RGB(4, 5, 6)); // bottom-right
    const auto rgb = ToRgb8(img);
    ASSERT_EQ(rgb.size(), 12u);
    EXPECT_EQ(rgb[0], 1);
    EXPECT_EQ(rgb[2], 3);
    EXPECT_EQ(rgb[9], 4);
    const auto rgba = ToRgba8(img);
    EXPECT_EQ(rgba[3], 255);
}

TEST(TestSupport, MagickDecodingAgreesWithTheOracleTable) {
    if (!HaveMagick() || CorpusDir().empty()) GTEST_SKIP() << "no ImageMagick or no corpus";
    const std::string file = "bmp/bmpsuite/g/pal8.bmp";
    const auto row = Oracle().find(file);
    ASSERT_NE(row, Oracle().end());
    const auto d = MagickDecode(CorpusDir() + "/" + file);
    ASSERT_TRUE(d);
    EXPECT_EQ(std::to_string(d->width), row->second.at("im_w"));
    EXPECT_EQ(Md5Hex(d->rgba), row->second.at("im_rgba8_md5"));
    EXPECT_FALSE(CorpusFiles("bmp").empty());
}
