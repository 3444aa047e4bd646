// torvex-warp end to end: the built program reads a file, warps it and writes
// a file whose pixels are checked against the same warp run in process; and
// its options, pairs file, exit statuses and messages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "image/CxImage.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/TestSupport.h"
#include "tools/WarpCli.h"
#include "warp/WarpImage.h"
#include "warp/WarpRBF.h"

namespace {

// A temporary file of the running test: ctest runs tests in parallel.
std::string Scratch(const std::string& name) {
    return testsupport::TempFile(
        std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + name);
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs the installed program with the arguments (already shell-quoted).
Result RunWarp(const std::string& args) {
    const std::string out = Scratch("warp_stdout.txt");
    const std::string err = Scratch("warp_stderr.txt");
    const int status =
        testsupport::Run(std::string(TORVEX_WARP_EXE) + " " + args + " >" + out + " 2>" + err);
    return {status, Slurp(out), Slurp(err)};
}

// A 24-bit picture with a distinct colour in every pixel, saved as BMP.
std::string InputPicture() {
    const std::string path = Scratch("warp_in.bmp");
    CxImage img(40, 30, 24);
    for (LONG y = 0; y < 30; ++y)
        for (LONG x = 0; x < 40; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 6), BYTE(y * 8), BYTE(x ^ y)));
    EXPECT_TRUE(img.Save(path.c_str(), FORMAT_BMP));
    return path;
}

void ExpectSamePixels(const CxImage& a, const CxImage& b) {
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(b.IsValid());
    EXPECT_EQ(testsupport::ToRgb8(a), testsupport::ToRgb8(b));
}

bool Exists(const std::string& path) {
    return std::ifstream(path).good();
}

} // namespace

TEST(TorvexWarp, DefaultMethodWithoutPairsReproducesTheInput) {
    const std::string in = InputPicture(), out = Scratch("warp_same.bmp");
    const Result r = RunWarp(in + " " + out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const CxImage result(out.c_str(), FORMAT_BMP);
    EXPECT_EQ(result.GetBpp(), 24);
    ExpectSamePixels(result, CxImage(in.c_str(), FORMAT_BMP));
}

TEST(TorvexWarp, MetafileInputIsDrawnThenWarped) {
    const std::string in = Scratch("warp_in.wmf"), out = Scratch("warp_wmf.bmp");
    const metafiletest::Bytes wmf = metafiletest::WmfWriter()
                                        .Brush(BS_SOLID, RGB(255, 0, 0))
                                        .Select(0)
                                        .Ellipse(10, 5, 90, 45)
                                        .Placeable(0, 0, 100, 50, 96);
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(wmf.data()), static_cast<std::streamsize>(wmf.size()));
    const Result r = RunWarp(in + " " + out);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSamePixels(CxImage(out.c_str(), FORMAT_BMP), CxImage(in.c_str(), FORMAT_UNKNOWN));
}

TEST(TorvexWarp, RepeatedRbfWarpMatchesTheWarpRunInProcess) {
    const std::string in = InputPicture(), out = Scratch("warp_rbf.bmp");
    const Result r =
        RunWarp("--method rbf --pair 10,10:14,12 --pair=30,20:27,22 --repeat 2 " + in + " " + out);
    ASSERT_EQ(r.status, 0) << r.err;

    CxImage expected(in.c_str(), FORMAT_BMP);
    CWarpRBF method;
    method.AddPair({10, 10}, {14, 12});
    method.AddPair({30, 20}, {27, 22});
    std::unique_ptr<CxImage> once = WarpImage(expected, method);
    std::unique_ptr<CxImage> twice = WarpImage(*once, method);
    ExpectSamePixels(CxImage(out.c_str(), FORMAT_BMP), *twice);
}

TEST(TorvexWarp, PairsFileGivesTheSameResultAsPairOptions) {
    const std::string in = InputPicture();
    const std::string pairs = Scratch("warp_pairs.txt");
    std::ofstream(pairs) << "# source  target\n\n10 10 14 12   # first\n  30 20 27 22\n";
    const std::string a = Scratch("warp_a.bmp");
    const std::string b = Scratch("warp_b.bmp");
    ASSERT_EQ(RunWarp("--method idw --pairs " + pairs + " " + in + " " + a).status, 0);
    ASSERT_EQ(RunWarp("--method idw --pair 10,10:14,12 --pair 30,20:27,22 " + in + " " + b).status,
              0);
    ExpectSamePixels(CxImage(a.c_str(), FORMAT_BMP), CxImage(b.c_str(), FORMAT_BMP));
}

TEST(TorvexWarp, MalformedPairsLineIsNamedWithItsNumber) {
    const std::string pairs = Scratch("warp_bad_pairs.txt");
    std::ofstream(pairs) << "1 2 3 4\n\n5 6 seven 8\n";
    const Result r =
        RunWarp("--pairs " + pairs + " " + InputPicture() + " " + Scratch("warp_never.bmp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(pairs + ":3:"), std::string::npos) << r.err;
}

TEST(TorvexWarp, UnsupportedOutputIsRefusedBeforeAnythingIsRead) {
    const std::string out = Scratch("warp_out.png");
    const Result r = RunWarp("/nonexistent/input.bmp " + out);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unsupported output extension"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(out));
    EXPECT_EQ(RunWarp(InputPicture() + " " + Scratch("NOEXT")).status, 2);
    EXPECT_EQ(RunWarp(InputPicture() + " " + Scratch("upper.BMP")).status, 0);
}

TEST(TorvexWarp, UsageErrorsExitWithTwo) {
    for (const char* args :
         {"", "only_one.bmp", "--method tps a.bmp b.bmp", "--pair 1,2:3 a.bmp b.bmp",
          "--pair 1,2,3,4 a.bmp b.bmp", "--repeat -1 a.bmp b.bmp", "--repeat x a.bmp b.bmp",
          "--frobnicate a.bmp b.bmp", "--pair"}) {
        SCOPED_TRACE(args);
        const Result r = RunWarp(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("torvex-warp: "), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

TEST(TorvexWarp, InputFailuresExitWithOneAndTheContainersText) {
    Result r = RunWarp("/nonexistent/input.bmp " + Scratch("warp_x.bmp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read '/nonexistent/input.bmp'"), std::string::npos) << r.err;

    const std::string text = Scratch("warp_text.bmp");
    std::ofstream(text) << "a text file that holds no picture of any kind at all\n";
    r = RunWarp(text + " " + Scratch("warp_y.bmp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Decode: Unknown or wrong format"), std::string::npos) << r.err;

    r = RunWarp(InputPicture() + " /nonexistent/dir/out.bmp");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

TEST(TorvexWarp, SingularRbfSystemReportsOnStandardOutput) {
    const std::string out = Scratch("warp_gauss.bmp");
    const Result r =
        RunWarp("--method rbf --pair 5,5:6,6 --pair 5,5:7,7 " + InputPicture() + " " + out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Gauss methods failed!"), std::string::npos) << r.out;
}

TEST(TorvexWarp, HelpDocumentsEverything) {
    const Result r = RunWarp("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* word :
         {"--method", "idw", "rbf", "mls", "--pair", "--pairs", "--repeat", "Exit status", ".bmp"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST(TorvexWarpParsing, PairsAndOutputFormats) {
    warpcli::ControlPair p;
    ASSERT_TRUE(warpcli::ParsePair("-3,4:2147483647,-2147483648", p));
    EXPECT_EQ(p.source, (POINT{-3, 4}));
    EXPECT_EQ(p.target, (POINT{2147483647, -2147483647 - 1}));
    for (const char* bad : {"", "1,2:3,", "1,2:3,4x", "1,2;3,4", "1,2:3,2147483648", "a,b:c,d"})
        EXPECT_FALSE(warpcli::ParsePair(bad, p)) << bad;
    EXPECT_EQ(warpcli::OutputFormatFor("x/y.bmp"), FORMAT_BMP);
    EXPECT_EQ(warpcli::OutputFormatFor("Y.Bmp"), FORMAT_BMP);
    EXPECT_EQ(warpcli::OutputFormatFor("dir.bmp/file"), FORMAT_UNKNOWN);
    EXPECT_EQ(warpcli::OutputFormatFor("file.gif"), FORMAT_GIF);
    EXPECT_EQ(warpcli::OutputFormatFor("file.WBMP"), FORMAT_WBMP);
    EXPECT_EQ(warpcli::OutputFormatFor("file.cur"), FORMAT_UNKNOWN) << "cursors are read only";
    EXPECT_EQ(warpcli::OutputFormatFor("file.png"), FORMAT_UNKNOWN);
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
    ExpectSamePixels(original, CxImage(out.c_str(), FORMAT_UNKNOWN));
    // The 24-bit result is written as tiles; ImageMagick puts them together.
    const std::string flat = Scratch("flat.png");
    ASSERT_EQ(testsupport::Run("/usr/bin/convert '" + out + "' -layers flatten '" + flat + "'"), 0);
    const auto theirs = testsupport::MagickDecode(flat);
    ASSERT_TRUE(theirs);
    ASSERT_EQ(theirs->width, 37);
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
    const CxImage& picture = oneBit;
    const std::vector<std::string> formats = {"bmp", "gif", "ico", "tga", "pcx", "wbmp"};
    const DWORD ids[] = {FORMAT_BMP, FORMAT_GIF, FORMAT_ICO, FORMAT_TGA, FORMAT_PCX, FORMAT_WBMP};
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const std::string in = Scratch("convert_in." + formats[i]);
        CxImage source(oneBit);
        if (!source.Save(in.c_str(), ids[i])) source = eightBit;
        ASSERT_TRUE(source.Save(in.c_str(), ids[i])) << formats[i] << ": " << source.GetLastError();
        const WORD bpp = CxImage(in.c_str(), FORMAT_UNKNOWN).GetBpp();
        for (const std::string& to : formats) {
            const std::string out = Scratch("convert_" + formats[i] + "." + to);
            const Result r = RunWarp("--repeat 0 '" + in + "' '" + out + "'");
            if ((to == "wbmp" && bpp != 1) || (to == "tga" && bpp != 8 && bpp != 24)) {
                EXPECT_EQ(r.status, 1) << formats[i] << " -> " << to;
                EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
                continue;
            }
            EXPECT_EQ(r.status, 0) << formats[i] << " -> " << to << ": " << r.err;
            CxImage back(out.c_str(), FORMAT_UNKNOWN);
            ASSERT_TRUE(back.IsValid()) << formats[i] << " -> " << to;
            EXPECT_EQ(testsupport::ToRgb8(back), testsupport::ToRgb8(picture))
                << formats[i] << " -> " << to;
        }
    }
}
