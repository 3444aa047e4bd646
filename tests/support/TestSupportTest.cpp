#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

// The corpus tests compare digests against ORACLE.tsv, so a wrong MD5 would
// make every comparison fail or pass for the wrong reason.
TEST(TestSupport, Md5MatchesKnownDigests) {
    EXPECT_EQ(testsupport::Md5Hex({}), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(testsupport::Md5Hex(std::vector<std::uint8_t>(1000, 'a')),
              "cabe45dcc9ae5b66ba86600cca6b8ba8");
}

// The WMF comparison skips on what MagickReads says, so it must tell a listed
// reader from a name ImageMagick does not list.
TEST(TestSupport, MagickReadsFindsListedReadersOnly) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    EXPECT_TRUE(testsupport::MagickReads("BMP"));
    EXPECT_FALSE(testsupport::MagickReads("NOSUCHFORMAT"));
}

TEST(TestSupport, MagickHasFontFindsOnlyFontsWithGlyphFiles) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    EXPECT_FALSE(testsupport::MagickHasFont("NoSuchFont"));
    EXPECT_FALSE(testsupport::MagickHasFont("Times")) << "a prefix of a listed name is no font";
    // Debian's URW fonts (gsfonts) are where ImageMagick finds Helvetica.
    if (std::filesystem::exists("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1")) {
        EXPECT_TRUE(testsupport::MagickHasFont("Helvetica"));
    }
}
