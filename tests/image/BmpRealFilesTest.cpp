// BMP files written by other programs: ImageMagick's writers across depths,
// compressions and header kinds, and the corpus's bmp folder, each decoded
// here and compared with an independent decoding.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/image/BmpTestSupport.h"

using namespace bmptest;
using testsupport::MagickDecode;

namespace {

// A temporary file of the running test: ctest runs tests in parallel.
std::string Scratch(const std::string& name) {
    return testsupport::TempFile(
        std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + name);
}

// A deterministic colourful picture with an odd width (row padding matters).
std::string SourcePicture() {
    static const std::string path = [] {
        const std::string p = Scratch("bmp_source.png");
        testsupport::Run("/usr/bin/convert -size 67x41 -seed 7 plasma:red-blue '" + p + "'");
        return p;
    }();
    return path;
}

// Writes the picture with ImageMagick's options and output coder; the
// result's path, or empty when ImageMagick failed.
std::string MagickWrite(const std::string& name, const std::string& options,
                        const std::string& coder) {
    const std::string out = Scratch(name);
    const std::string cmd = "/usr/bin/convert '" + SourcePicture() + "' " + options + " " + coder +
                            ":'" + out + "' 2>/dev/null";
    return testsupport::Run(cmd) == 0 ? out : "";
}

// Rewrites an uncompressed bottom-up file as top-down: negative height and
// rows in the opposite order.
Bytes MakeTopDown(const Bytes& file) {
    const auto get32 = [&](std::size_t at) {
        return file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) | (file[at + 3] << 24);
    };
    const int width = get32(18), height = get32(22), bpp = file[28];
    const std::size_t off = get32(10), stride = ((bpp * width + 31) / 32) * 4;
    Bytes out(file.begin(), file.begin() + static_cast<long>(off));
    const std::uint32_t negative = static_cast<std::uint32_t>(-height);
    for (int i = 0; i < 4; ++i)
        out[22 + i] = static_cast<std::uint8_t>(negative >> (8 * i));
    for (int row = height - 1; row >= 0; --row) {
        const auto first = file.begin() + static_cast<long>(off + row * stride);
        out.insert(out.end(), first, first + static_cast<long>(stride));
    }
    return out;
}

void ExpectMatchesMagick(const std::string& path) {
    SCOPED_TRACE(path);
    ASSERT_FALSE(path.empty());
    CxImage ours;
    ASSERT_TRUE(ours.Load(path.c_str(), FORMAT_BMP)) << ours.GetLastError();
    EXPECT_EQ(ours.GetType(), FORMAT_BMP);
    const auto theirs = MagickDecode(path);
    ASSERT_TRUE(theirs);
    EXPECT_EQ(CountMismatches(ours, *theirs, ChannelBitsOf(ReadFile(path))), 0);
}

} // namespace

TEST(BmpMagickFiles, EveryDepthAndHeaderKindDecodesLikeImageMagick) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::map<std::string, std::pair<std::string, std::string>> variants = {
        {"v3_1bit.bmp", {"-type bilevel", "bmp3"}},
        {"v3_4bit.bmp", {"-colors 16", "bmp3"}},
        {"v3_8bit.bmp", {"-colors 200 -compress None", "bmp3"}},
        {"v3_24bit.bmp", {"-type truecolor", "bmp3"}},
        {"v3_rle8.bmp", {"-colors 200 -compress RLE", "bmp3"}},
        {"v5_rle8.bmp", {"-colors 200 -compress RLE", "bmp"}},
        {"v5_8bit.bmp", {"-colors 200 -compress None", "bmp"}},
        {"v5_24bit.bmp", {"-type truecolor", "bmp"}},
        {"v5_32bit.bmp", {"-alpha set -channel A -evaluate set 50% +channel", "bmp"}},
        {"v5_565.bmp", {"-define bmp:subtype=RGB565", "bmp"}},
        {"v5_555.bmp", {"-define bmp:subtype=RGB555", "bmp"}},
        {"v5_8888.bmp", {"-alpha set -define bmp:subtype=ARGB8888", "bmp"}},
        {"os2_1bit.bmp", {"-type bilevel", "bmp2"}},
        {"os2_4bit.bmp", {"-colors 16", "bmp2"}},
        {"os2_8bit.bmp", {"-colors 200", "bmp2"}},
        {"os2_24bit.bmp", {"-type truecolor", "bmp2"}},
    };
    for (const auto& [name, how] : variants)
        ExpectMatchesMagick(MagickWrite(name, how.first, how.second));
}

TEST(BmpMagickFiles, TopDownRowsDecodeLikeImageMagick) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::map<std::string, std::string> depths = {{"1", "-type bilevel"},
                                                       {"4", "-colors 16"},
                                                       {"8", "-colors 200 -compress None"},
                                                       {"24", "-type truecolor"}};
    for (const auto& [bpp, options] : depths) {
        const std::string bottomUp = MagickWrite("bottom_up" + bpp + ".bmp", options, "bmp3");
        ASSERT_FALSE(bottomUp.empty());
        const std::string topDown = Scratch("top_down" + bpp + ".bmp");
        WriteFile(topDown, MakeTopDown(ReadFile(bottomUp)));
        ExpectMatchesMagick(topDown);
    }
}
