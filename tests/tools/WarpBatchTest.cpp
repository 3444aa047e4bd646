// torvex-warp's batch form: outputs equal to one-file runs byte for byte, a
// failed file counted without stopping the rest, refused name clashes, and
// the output names and the sharing of threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "image/CxImage.h"
#include "tests/support/TestSupport.h"
#include "tools/WarpBatch.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder of the running test: ctest runs tests in parallel.
fs::path Folder(const std::string& name) {
    const fs::path dir = testsupport::TestTempFile(name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string Slurp(const fs::path& path) {
    return testsupport::ReadFile(path.string());
}

// A picture with a distinct colour in every pixel, shifted by `seed`.
void WritePicture(const fs::path& path, DWORD format, int seed) {
    CxImage img(37, 29, 24);
    for (LONG y = 0; y < 29; ++y)
        for (LONG x = 0; x < 37; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 6 + seed), BYTE(y * 8), BYTE(x ^ y ^ seed)));
    ASSERT_TRUE(img.Save(path.string().c_str(), format)) << path;
}

int RunWarp(const std::string& args, const fs::path& dir) {
    return testsupport::Run(std::string(TORVEX_WARP_EXE) + " " + args + " >" +
                            (dir / "stdout.txt").string() + " 2>" + (dir / "stderr.txt").string());
}

} // namespace

TEST(WarpBatch, OutputsEqualOneFileRunsAndAFailureIsCountedNotFatal) {
    const fs::path in = Folder("in"), out = Folder("out"), one = Folder("one");
    const std::string inputs[] = {"a.bmp", "b.gif", "c.bmp", "broken.bmp", "d.tga"};
    WritePicture(in / "a.bmp", FORMAT_BMP, 0);
    WritePicture(in / "b.gif", FORMAT_GIF, 40);
    WritePicture(in / "c.bmp", FORMAT_BMP, 80);
    std::ofstream(in / "broken.bmp") << "no picture in here\n";
    WritePicture(in / "d.tga", FORMAT_TGA, 120);
    const std::string common = "--method rbf --pair 10,10:14,12 --pair 5,5:6,6 --repeat 2 ";
    // gif: three files at once on a thread each; bmp: the default split
    for (const char* format : {"gif", "bmp"}) {
        SCOPED_TRACE(format);
        std::string list;
        for (const std::string& name : inputs)
            list += " " + (in / name).string();
        const int status =
            RunWarp(common + (format == std::string("gif") ? "--threads 3 " : "") +
                        "--output-dir " + out.string() + " --format " + format + list,
                    out);
        EXPECT_EQ(status, 1);
        const std::string err = Slurp(out / "stderr.txt");
        EXPECT_NE(err.find("cannot read '" + (in / "broken.bmp").string() +
                           "': Decode: Unknown or wrong format"),
                  std::string::npos)
            << err;
        EXPECT_NE(err.find("warped 4 of 5 files, 1 failed\n"), std::string::npos) << err;
        EXPECT_EQ(err.find('\r'), std::string::npos) << "no progress line off a terminal";
        EXPECT_FALSE(fs::exists(out / (std::string("broken.") + format)));
        for (const std::string& name : inputs) {
            if (name == "broken.bmp") continue;
            const std::string stem = fs::path(name).stem().string() + "." + format;
            ASSERT_EQ(RunWarp(common + (in / name).string() + " " + (one / stem).string(), one), 0)
                << Slurp(one / "stderr.txt");
            const std::string batch = Slurp(out / stem);
            EXPECT_FALSE(batch.empty()) << stem;
            EXPECT_EQ(batch, Slurp(one / stem)) << stem;
        }
    }
}

TEST(WarpBatch, ClashingOutputsAreRefusedBeforeAnythingIsWritten) {
    const fs::path dir = Folder("d");
    fs::create_directories(dir / "x");
    fs::create_directories(dir / "y");
    WritePicture(dir / "x" / "f.bmp", FORMAT_BMP, 0);
    WritePicture(dir / "y" / "f.gif", FORMAT_GIF, 0);
    WritePicture(dir / "g.bmp", FORMAT_BMP, 0);
    const std::string x = (dir / "x" / "f.bmp").string(), y = (dir / "y" / "f.gif").string();
    const std::string g = (dir / "g.bmp").string(), out = (dir / "out").string();
    const struct {
        std::string args, err;
    } cases[] = {
        {"--output-dir " + out + " " + x + " " + y, "would both be written to"},
        {"--output-dir " + out + " " + x + " " + x, "would both be written to"},
        {"--output-dir " + dir.string() + " " + g + " " + (dir / "x" / "g.gif").string(),
         "would both be written to"},
        {"--output-dir " + out, "expected INPUT"},
        {"--format png --output-dir " + out + " " + x, "cannot write format 'png'"},
        {"--format gif " + x + " " + out + ".gif", "--format goes with --output-dir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(RunWarp(c.args, dir), 2);
        const std::string err = Slurp(dir / "stderr.txt");
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(out));
    }
    // An input may be its own output, as in the one-file form.
    EXPECT_EQ(RunWarp("--output-dir " + dir.string() + " " + g, dir), 0)
        << Slurp(dir / "stderr.txt");
}

TEST(WarpBatch, ProgressLineCountsEveryFileWhenAsked) {
    const fs::path dir = Folder("p");
    WritePicture(dir / "a.bmp", FORMAT_BMP, 0);
    WritePicture(dir / "b.bmp", FORMAT_BMP, 1);
    std::ostringstream out, err;
    const int status = warpcli::Main({"--method", "idw", "--output-dir", (dir / "out").string(),
                                      (dir / "a.bmp").string(), (dir / "b.bmp").string()},
                                     out, err, true);
    EXPECT_EQ(status, warpcli::kSuccess);
    EXPECT_NE(err.str().find("\r\033[K[2/2] "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("\r\033[Ktorvex-warp: warped 2 of 2 files\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "out" / "a.bmp"));
}

TEST(WarpBatch, OutputNames) {
    const struct {
        const char *input, *name;
    } cases[] = {
        {"frame.png", "D/frame.gif"},   {"a/b/frame.01.bmp", "D/frame.01.gif"},
        {".hidden", "D/.hidden.gif"},   {"noext", "D/noext.gif"},
        {"dir.d/noext", "D/noext.gif"}, {"x.", "D/x.gif"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(warpcli::BatchOutputPath("D", c.input, "gif"), c.name) << c.input;
}

TEST(WarpBatch, ThreadsAreSharedWithinTheBudget) {
    const struct {
        unsigned budget;
        std::size_t files;
        unsigned parallel, perWarp;
    } cases[] = {
        {8, 300, 8, 1}, {8, 3, 3, 2}, {8, 1, 1, 8}, {2, 5, 2, 1}, {0, 4, 1, 1}, {4, 0, 1, 4},
    };
    for (const auto& c : cases) {
        const warpcli::ThreadSplit s = warpcli::SplitThreads(c.budget, c.files);
        EXPECT_EQ(s.files, c.parallel) << c.budget << " " << c.files;
        EXPECT_EQ(s.threadsPerWarp, c.perWarp) << c.budget << " " << c.files;
        EXPECT_LE(s.files * s.threadsPerWarp, std::max(c.budget, 1u));
    }
}
