// torvex-warp end to end: the built program reads a file, warps it and writes
// a file whose pixels are checked against the same warp run in process; and
// its pairs file, exit statuses and messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "image/CxImage.h"
#include "image/FormatList.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/TestSupport.h"
#include "warp/WarpImage.h"
#include "warp/WarpRBF.h"

namespace {

// A temporary file of the running test: ctest runs tests in parallel.
std::string Scratch(const std::string& name) {
    return testsupport::TestTempFile(name);
}

struct Result {
    int status;
    std::string out, err;
};

// Runs the built program with the arguments (already shell-quoted).
Result RunWarp(const std::string& args) {
    const std::string out = Scratch("stdout.txt"), err = Scratch("stderr.txt");
    const int status =
        testsupport::Run(std::string(TORVEX_WARP_EXE) + " " + args + " >" + out + " 2>" + err);
    return {status, testsupport::ReadFile(out), testsupport::ReadFile(err)};
}

// A 24-bit picture with a distinct colour in every pixel, saved as BMP.
std::string InputPicture() {
    const std::string path = Scratch("in.bmp");
    CxImage img(40, 30, 24);
    for (LONG y = 0; y < 30; ++y)
        for (LONG x = 0; x < 40; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 6), BYTE(y * 8), BYTE(x ^ y)));
    EXPECT_TRUE(img.Save(path.c_str(), FORMAT_BMP));
    return path;
}

// The pixels of a file, decoded with format detection.
std::vector<std::uint8_t> Pixels(const std::string& path) {
    const CxImage img(path.c_str(), FORMAT_UNKNOWN);
    EXPECT_TRUE(img.IsValid()) << path;
    return testsupport::ToRgb8(img);
}

// A 24-bit BMP file of headers only, claiming width x height pixels.
std::string BmpHeadersClaiming(std::uint32_t width, std::uint32_t height) {
    std::string b = "BM";
    const auto put = [&b](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b += char(v >> (8 * i));
    };
    put(0, 4), put(0, 4), put(54, 4);
    put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);
    b.resize(54, '\0');
    return b;
}

} // namespace

TEST(TorvexWarp, RbfRunsFromPairsOrAPairsFileMatchTheWarpRunInProcess) {
    const std::string in = InputPicture(), pairs = Scratch("pairs.txt");
    const std::string a = Scratch("a.bmp"), b = Scratch("b.bmp");
    std::ofstream(pairs) << "# source  target\n\n10 10 14 12   # first\n  30 20 27 22\n";
    const Result r =
        RunWarp("--method rbf --pair 10,10:14,12 --pair=30,20:27,22 --repeat 2 " + in + " " + a);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(RunWarp("--method rbf --repeat 2 --pairs " + pairs + " " + in + " " + b).status, 0);
    CWarpRBF method;
    method.AddPair({10, 10}, {14, 12});
    method.AddPair({30, 20}, {27, 22});
    const auto once = WarpImage(CxImage(in.c_str(), FORMAT_BMP), method);
    EXPECT_EQ(Pixels(a), testsupport::ToRgb8(*WarpImage(*once, method)));
    EXPECT_EQ(Pixels(b), Pixels(a));

    std::ofstream(pairs) << "1 2 3 4\n\n5 6 seven 8\n";
    const Result bad = RunWarp("--pairs " + pairs + " " + in + " " + a);
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find(pairs + ":3:"), std::string::npos) << bad.err;
}

TEST(TorvexWarp, ExitStatusesAndMessages) {
    const std::string in = InputPicture(), text = Scratch("text.bmp"), png = Scratch("out.png");
    std::ofstream(text) << "a text file that holds no picture of any kind at all\n";
    const struct {
        std::string args;
        int status;
        std::string err, out;
    } cases[] = {
        {"/nonexistent/input.bmp " + png, 2, "unsupported output extension", ""},
        {"", 2, "", ""},
        {"--method tps a.bmp b.bmp", 2, "unknown method", ""},
        {"--pair 1,2:3 a.bmp b.bmp", 2, "bad pair", ""},
        {"--pair 1,2:3,2147483648 a.bmp b.bmp", 2, "bad pair", ""},
        {"--repeat -1 a.bmp b.bmp", 2, "bad repeat count", ""},
        {"--frobnicate a.bmp b.bmp", 2, "unknown option", ""},
        {"--pair", 2, "--pair needs a value", ""},
        {"/nonexistent/input.bmp " + Scratch("x.bmp"), 1, "cannot read '/nonexistent/input.bmp'",
         ""},
        {text + " " + Scratch("y.bmp"), 1, "Decode: Unknown or wrong format", ""},
        {in + " /nonexistent/dir/out.bmp", 1, "cannot write", ""},
        {"--method rbf --pair 5,5:6,6 --pair 5,5:7,7 " + in + " " + Scratch("gauss.bmp"), 0, "",
         "Gauss methods failed!"},
        {in + " " + Scratch("upper.BMP"), 0, "", ""},
        {"--help", 0, "", "Exit status"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunWarp(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_EQ(r.err.empty(), c.status == 0) << r.err;
        if (c.status != 2) continue;
        EXPECT_EQ(r.err.find("torvex-warp: "), 0u);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::ifstream(png).good());
}

TEST(TorvexWarp, RoundTripsAGifWrittenByAnotherProgram) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string in = Scratch("magick.gif"), out = Scratch("out.gif");
    ASSERT_EQ(testsupport::Run("/usr/bin/convert -size 37x23 plasma:fractal -colors 64 '" + in +
                               "' 2>/dev/null"),
              0);
    // With only the corner pairs, moving least squares is the identity.
    const Result r = RunWarp("'" + in + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const CxImage original(in.c_str(), FORMAT_UNKNOWN);
    EXPECT_EQ(Pixels(out), testsupport::ToRgb8(original));
    // The 24-bit result is written as tiles; ImageMagick puts them together.
    const std::string flat = Scratch("flat.png");
    ASSERT_EQ(testsupport::Run("/usr/bin/convert '" + out + "' -layers flatten '" + flat + "'"), 0);
    const auto theirs = testsupport::MagickDecode(flat);
    ASSERT_TRUE(theirs);
    EXPECT_EQ(testsupport::ToRgba8(original), theirs->rgba);
}

// Every format the container writes converts to every other (K = 0 writes
// the input unchanged) where the target holds the image's depth: WBMP only
// 1 bit, TGA only 8 and 24 bits; otherwise the target's encoder refuses.
TEST(TorvexWarp, ConvertsBetweenTheWrittenFormats) {
    // The same black and white picture at 1 and 8 bits: each format gets the
    // smallest depth its encoder takes.
    CxImage oneBit(20, 12, 1), eightBit(20, 12, 8);
    for (CxImage* p : {&oneBit, &eightBit}) {
        for (LONG y = 0; y < 12; ++y)
            for (LONG x = 0; x < 20; ++x)
                p->SetPixelIndex(x, y, BYTE((x + y) % 2));
        p->SetPaletteColor(1, RGB(255, 255, 255));
    }
    std::vector<std::string> formats;
    std::vector<DWORD> ids;
    for (const FormatInfo& f : Formats()) {
        if (!f.canWrite) continue;
        formats.push_back(f.extensions[0]);
        ids.push_back(f.format);
    }
    ASSERT_EQ(formats.size(), 6u);
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const std::string in = Scratch("convert_in." + formats[i]);
        CxImage source(oneBit);
        if (!source.Save(in.c_str(), ids[i])) source = eightBit;
        ASSERT_TRUE(source.Save(in.c_str(), ids[i])) << formats[i] << ": " << source.GetLastError();
        const WORD bpp = CxImage(in.c_str(), FORMAT_UNKNOWN).GetBpp();
        for (const std::string& to : formats) {
            SCOPED_TRACE(formats[i] + " -> " + to);
            const std::string out = Scratch("convert_" + formats[i] + "." + to);
            const Result r = RunWarp("--repeat 0 '" + in + "' '" + out + "'");
            const bool refused =
                (to == "wbmp" && bpp != 1) || (to == "tga" && bpp != 8 && bpp != 24);
            EXPECT_EQ(r.status, refused ? 1 : 0) << r.err;
            EXPECT_EQ(r.err.find("cannot write") != std::string::npos, refused) << r.err;
            if (refused) continue;
            EXPECT_EQ(Pixels(out), testsupport::ToRgb8(oneBit));
        }
    }
}

TEST(TorvexWarp, MetafileInputIsDrawnThenWarped) {
    const std::string in = Scratch("warp_in.wmf"), out = Scratch("warp_wmf.bmp");
    const metafiletest::Bytes wmf = metafiletest::WmfWriter()
                                        .Brush(BS_SOLID, RGB(255, 0, 0))
                                        .Select(0)
                                        .Ellipse(10, 5, 90, 45)
                                        .Placeable(0, 0, 100, 50, 96);
    std::ofstream(in, std::ios::binary) << std::string(wmf.begin(), wmf.end());
    const Result r = RunWarp(in + " " + out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pixels(out), Pixels(in)) << "the drawing, unchanged by the identity warp";
}

// Hostile pairs: files too long or with too many pairs are refused, so are
// more pairs over all runs than the method's maximum; coordinates at the
// 32-bit limits warp without fault; the pixel limit refuses a large input.
TEST(TorvexWarp, HostilePairsAndThePixelLimit) {
    const std::string in = InputPicture(), out = Scratch("out.bmp");
    const std::string many = Scratch("many.txt"), longLine = Scratch("long.txt");
    const std::string extreme = Scratch("extreme.txt"), rbfPairs = Scratch("rbf.txt");
    {
        std::ofstream m(many), r(rbfPairs);
        for (int i = 0; i <= 10000; ++i)
            m << i % 100 << ' ' << i / 100 << " 1 1\n";
        for (int i = 0; i < 3997; ++i)
            r << i % 40 << ' ' << i / 40 << ' ' << i % 40 << ' ' << i / 40 << '\n';
        std::ofstream(longLine) << std::string(5000, '1') << '\n';
        std::ofstream(extreme) << "2147483647 2147483647 -2147483648 -2147483648\n"
                                  "-2147483648 0 0 2147483647\n5 5 2147483647 -2147483648\n";
    }
    const struct {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"--pairs " + many, 1, many + ":10001: more than 10000 pairs"},
        {"--pairs " + longLine, 1, longLine + ":1: line longer than 4096"},
        {"--method rbf --pairs " + rbfPairs, 2,
         "too many pairs for rbf: 4001 over 1 run, counting four corner pairs a run (at most "
         "4000)"},
        {"--repeat 71", 2, "too many pairs for mls: 10224 over 71 runs"},
        {"--repeat 70", 0, ""},
        {"--method idw --pairs " + extreme, 0, ""},
        {"--method rbf --pairs " + extreme, 0, ""},
        {"--method mls --pairs " + extreme, 0, ""},
        {"--max-pixels 1199", 1, "Image of 40 x 30 pixels exceeds the limit of 1199 pixels"},
        {"--max-pixels=1200", 0, ""},
        {"--max-pixels 0", 2, "bad pixel limit '0'"},
        {"--max-pixels -3", 2, "bad pixel limit '-3'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunWarp(c.args + " " + in + " " + out);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

// 19000 x 19000 pixels at 3 bytes a pixel is a block above the default
// 1 GiB: a pixel limit raised above that size takes the block limit along
// (4 bytes a pixel), so the file's own fault is what stops it.
TEST(TorvexWarp, ARaisedPixelLimitRaisesTheBlockLimit) {
    const std::string claim = Scratch("claim.bmp"), out = Scratch("out.bmp");
    std::ofstream(claim, std::ios::binary) << BmpHeadersClaiming(19000, 19000);
    const std::pair<std::string, std::string> cases[] = {
        {"", "Image of 19000 x 19000 pixels exceeds the limit of 268435456 pixels"},
        {"--max-pixels 400000000", "BMP file too short for its image"},
    };
    for (const auto& [args, err] : cases) {
        const Result r = RunWarp(args + " " + claim + " " + out);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err, "torvex-warp: cannot read '" + claim + "': " + err + "\n");
    }
}
