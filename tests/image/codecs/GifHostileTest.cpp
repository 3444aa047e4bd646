// The GIF decoder on files written by other programs (ImageMagick, the
// corpus) and on damaged input: crafted faults, a truncation sweep, random
// mutations, and files whose frames would make careless decoding slow.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "image/CxMemFile.h"
#include "image/codecs/CxImageGIF.h"
#include "tests/image/codecs/GifTestSupport.h"

using namespace giftest;

namespace {

// What a test needs to know of each image in a file to tell whether our
// composition and another decoder's must agree.
struct FrameFacts {
    bool inScreen = true;
    bool localTable = false;
    int disposal = 0;
    int transIndex = -1;
    int minCodeSize = 0;
    bool coversScreen = false;
    bool screenSize = false;
    bool zeroCommentBefore = false;
};
struct Survey {
    bool globalTable = false;
    std::vector<FrameFacts> frames; // every image of the file, in file order
};

// A tolerant walk over the blocks; nothing when the file is too damaged.
std::optional<Survey> SurveyFile(const Bytes& b) {
    try {
        Survey s;
        const int w = b.at(6) | (b.at(7) << 8), h = b.at(8) | (b.at(9) << 8);
        s.globalTable = (b.at(10) & 0x80) != 0;
        std::size_t pos = 13 + (s.globalTable ? 3 * (2 << (b[10] & 7)) : 0);
        int disposal = 0, trans = -1;
        bool zeroComment = false;
        auto skipBlocks = [&] {
            while (b.at(pos) != 0)
                pos += b.at(pos) + 1;
            ++pos;
        };
        while (pos < b.size() && b[pos] != 0x3B) {
            if (b[pos] == 0x21) {
                const int label = b.at(pos + 1);
                pos += 2;
                if (label == 0xF9 && b.at(pos) == 4) {
                    disposal = (b.at(pos + 1) >> 2) & 7;
                    trans = (b[pos + 1] & 1) ? b.at(pos + 4) : -1;
                }
                if (label == 0xFE && b.at(pos) == 0) zeroComment = true;
                skipBlocks();
                continue;
            }
            if (b[pos] != 0x2C) return std::nullopt;
            FrameFacts f;
            const int left = b.at(pos + 1) | (b.at(pos + 2) << 8);
            const int top = b.at(pos + 3) | (b.at(pos + 4) << 8);
            const int fw = b.at(pos + 5) | (b.at(pos + 6) << 8);
            const int fh = b.at(pos + 7) | (b.at(pos + 8) << 8);
            const int flags = b.at(pos + 9);
            f.inScreen = left + fw <= w && top + fh <= h;
            f.screenSize = fw == w && fh == h;
            f.coversScreen = left == 0 && top == 0 && f.screenSize;
            f.localTable = (flags & 0x80) != 0;
            f.disposal = disposal;
            f.transIndex = trans;
            f.zeroCommentBefore = zeroComment;
            pos += 10 + (f.localTable ? 3 * (2 << (flags & 7)) : 0);
            f.minCodeSize = b.at(pos++);
            skipBlocks();
            s.frames.push_back(f);
            disposal = 0;
            trans = -1;
        }
        return s;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

// How many leading frames (in our numbering) our composition shares with a
// decoder that follows the GIF89a rules, and why it stops there. Our rules
// differ by design in these ways: images reaching outside the screen are
// ignored (others clip them); the canvas is indexed, so it shows every frame
// with the last frame's palette and the first frame's transparent index; the
// canvas starts filled with the graphic control's index byte rather than
// transparent; disposal 2 clears the whole canvas and disposal 3 is not
// restored; minimum code sizes above 9 and zero-length comments end decoding;
// a file of several frames without a global table whose first frame is
// smaller than the screen is read as a true-colour mosaic.
std::pair<int, std::string> AgreeingFrames(const Survey& s) {
    const auto& f = s.frames;
    if (f.empty()) return {0, "no images"};
    if (!s.globalTable && f.size() > 1 && !f[0].screenSize) return {0, "mosaic form"};
    int agreed = 0;
    for (std::size_t k = 0; k < f.size(); ++k) {
        if (!f[k].inScreen) return {agreed, "image outside the screen"};
        if (f[k].zeroCommentBefore) return {agreed, "zero-length comment"};
        if (f[k].minCodeSize < 2 || f[k].minCodeSize > 9) return {agreed, "minimum code size"};
        if (k == 0 && !f[0].coversScreen && f[0].transIndex < 0)
            return {agreed, "canvas filled with the control's index"};
        if (k > 0) {
            if (f[k].localTable || f[0].localTable) return {agreed, "local colour tables"};
            if (f[k - 1].disposal >= 2) return {agreed, "disposal 2 or 3"};
            if (f[0].transIndex >= 0 && f[k].transIndex != f[0].transIndex)
                return {agreed, "transparent index of a later frame"};
        }
        ++agreed;
    }
    return {agreed, ""};
}

// Ours against an RGBA rendering: transparent pixels must agree, opaque ones
// must have the same colour.
bool SameRendering(const CxImage& ours, const testsupport::Decoded& theirs) {
    if (static_cast<int>(ours.GetWidth()) != theirs.width ||
        static_cast<int>(ours.GetHeight()) != theirs.height)
        return false;
    return ToRgbaWithTransparency(ours) == NormaliseTransparent(theirs.rgba);
}

// Frames of a file compared with a reference rendering, from the first.
constexpr int kSampledFrames = 8;

struct Tally {
    int files = 0, decoded = 0, refused = 0, framesCompared = 0, framesMatched = 0;
    std::map<std::string, int> notCompared; // reason -> frames
};

// Compares the first frames that our rules share with the reference (one
// rendering per frame), and decodes the last frame too.
void CheckAgainst(const std::string& name, const Bytes& file,
                  const std::vector<std::optional<testsupport::Decoded>>& reference, Tally& tally) {
    CxImage first;
    if (!DecodeGif(file, first, 0)) {
        ++tally.refused;
        return;
    }
    ++tally.decoded;
    const int n = first.GetNumFrames();
    const auto survey = SurveyFile(file);
    const auto [agreed, reason] = survey ? AgreeingFrames(*survey) : std::pair{0, "unparsed"};
    for (int k = 0; k < n; ++k) {
        std::string skip;
        if (k >= agreed) {
            skip = reason;
        } else if (k >= kSampledFrames) {
            skip = "beyond the frames sampled";
        } else if (k >= static_cast<int>(reference.size()) || !reference[k]) {
            skip = "no reference rendering";
        }
        if (!skip.empty()) ++tally.notCompared[skip];
        // Frames not compared are still decoded at the end of the file.
        if (!skip.empty() && k != n - 1) continue;
        CxImage img;
        ASSERT_TRUE(DecodeGif(file, img, k)) << name << " frame " << k;
        EXPECT_EQ(img.GetWidth(), first.GetWidth());
        EXPECT_EQ(img.GetHeight(), first.GetHeight());
        if (!skip.empty()) continue;
        ++tally.framesCompared;
        const bool same = SameRendering(img, *reference[k]);
        tally.framesMatched += same;
        EXPECT_TRUE(same) << name << " frame " << k;
    }
}

void Report(const char* what, const Tally& t) {
    std::printf("[ %s ] %d files: %d decoded, %d refused; %d frames compared, %d matched\n", what,
                t.files, t.decoded, t.refused, t.framesCompared, t.framesMatched);
    for (const auto& [reason, frames] : t.notCompared)
        std::printf("    not compared (%s): %d frames\n", reason.c_str(), frames);
}

// Decodes frame 0 and the last frame: each either fails or gives an image
// of the screen's size.
void DecodeAnyway(const Bytes& file, const std::string& what) {
    CxImage img;
    if (!DecodeGif(file, img, 0)) return;
    ASSERT_TRUE(img.IsValid()) << what;
    const DWORD w = img.GetWidth(), h = img.GetHeight();
    const LONG n = img.GetNumFrames();
    if (n > 1 && DecodeGif(file, img, n - 1) && img.GetBpp() != 24) {
        EXPECT_EQ(img.GetWidth(), w) << what;
        EXPECT_EQ(img.GetHeight(), h) << what;
    }
}

std::vector<std::optional<testsupport::Decoded>> MagickReference(const std::string& path) {
    std::vector<std::optional<testsupport::Decoded>> out;
    if (auto frames = MagickFrames(path, kSampledFrames)) {
        for (auto& f : *frames)
            out.emplace_back(std::move(f));
    }
    return out;
}

} // namespace

// ---- Files written by ImageMagick ---------------------------------------------

TEST(GifRealFiles, FilesWrittenByImageMagick) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick not installed";
    const std::string dir = TempPath("im_");
    const std::string pal = dir + "pal.gif", palt = dir + "palt.gif";
    ASSERT_EQ(testsupport::Run("/usr/bin/convert xc:white xc:red xc:blue xc:lime +append " + pal),
              0);
    ASSERT_EQ(testsupport::Run("/usr/bin/convert xc:none xc:red xc:blue xc:lime +append " + palt),
              0);
    const std::vector<std::pair<std::string, std::string>> recipes = {
        {"interlaced", "-size 61x47 gradient:red-blue -colors 200 -interlace GIF"},
        {"two_bit", "-size 33x21 gradient:red-blue -colors 4"},
        {"four_bit", "-size 35x19 gradient:yellow-navy -colors 16"},
        {"two_colour", "-size 17x9 pattern:checkerboard"},
        {"transparent", "-size 40x30 xc:none -fill red -draw 'circle 20,15 20,5'"},
        {"small_on_screen", "-page 40x30+7+9 -size 10x8 xc:red"},
        {"small_transparent", "-size 40x30 xc:none -fill red -draw 'rectangle 5,5 12,9' -trim"},
        {"animated_common_table", "-dispose none -size 50x40 xc:white -page +5+5 -size 20x10 "
                                  "xc:red -page +20+20 -size 15x15 xc:blue -page +30+2 -size "
                                  "8x30 xc:lime -remap " +
                                      pal + " -loop 0"},
        {"animated_transparent", "-dispose none -size 30x30 xc:none -fill red -draw 'circle "
                                 "15,15 15,5' -page +5+5 -size 10x10 xc:blue -remap " +
                                     palt},
        {"animated_disposals", "-dispose none -size 50x40 xc:white -dispose background -page "
                               "+5+5 -size 20x10 xc:red -dispose previous -page +20+20 -size "
                               "15x15 xc:blue -dispose undefined -page +0+0 -size 10x10 xc:green "
                               "-dispose none -page +3+3 -size 5x5 xc:red -loop 0"},
        {"animated_local_tables", "-size 20x20 gradient:red-yellow -size 20x20 gradient:blue-green "
                                  "-size 20x20 gradient:white-black -loop 0"},
    };
    Tally tally;
    for (const auto& [name, recipe] : recipes) {
        const std::string path = dir + name + ".gif";
        ASSERT_EQ(testsupport::Run("/usr/bin/convert " + recipe + " " + path), 0) << name;
        ++tally.files;
        CheckAgainst(name, ReadFileBytes(path), MagickReference(path), tally);
    }
    Report("ImageMagick-written files", tally);
    EXPECT_EQ(tally.refused, 0);
    EXPECT_GE(tally.framesCompared, 12);
}

// ---- The corpus -----------------------------------------------------------------

namespace {

// Reference renderings of a corpus file: the expected frames the suite
// ships, else ImageMagick's composition, except where ImageMagick is known
// to differ from the other oracle (then only frame 0, by its digest).
std::vector<std::optional<testsupport::Decoded>> CorpusReference(const std::string& rel,
                                                                 bool& byDigest) {
    const std::string dir = testsupport::CorpusDir();
    const std::string stem = rel.substr(rel.rfind('/') + 1, rel.size() - rel.rfind('/') - 5);
    std::vector<std::optional<testsupport::Decoded>> refs;
    const std::string frames = dir + "/reference/gif-test-suite-frames/" + stem;
    if (rel.rfind("gif/gif-test-suite/", 0) == 0) {
        for (int k = 0;; ++k) {
            auto png = testsupport::MagickDecode(frames + "-" + std::to_string(k) + ".png");
            if (!png && k == 0) png = testsupport::MagickDecode(frames + ".png");
            if (!png) break;
            refs.push_back(std::move(png));
        }
        if (!refs.empty()) return refs;
    }
    const auto& oracle = testsupport::Oracle();
    const auto row = oracle.find(rel);
    byDigest = row != oracle.end() && row->second.at("im_vs_netpbm").rfind("differ", 0) == 0;
    if (byDigest) return refs;
    return MagickReference(dir + "/" + rel);
}

} // namespace

TEST(GifRealFiles, CorpusFilesDecodeAndMatchWhereTheRulesAgree) {
    const std::vector<std::string> files = testsupport::CorpusFiles("gif");
    if (files.empty()) GTEST_SKIP() << "corpus not present";
    const auto& oracle = testsupport::Oracle();
    Tally good, bad;
    int digestsMatched = 0;
    for (const std::string& rel : files) {
        if (rel.size() < 4 || rel.compare(rel.size() - 4, 4, ".gif") != 0) continue;
        const Bytes file = ReadFileBytes(testsupport::CorpusDir() + "/" + rel);
        const auto row = oracle.find(rel);
        const bool othersRead = row != oracle.end() && row->second.at("im_ok") == "yes";
        if (!othersRead) {
            // Damaged files: any outcome but a crash, a hang or a wrong size.
            ++bad.files;
            CxImage img;
            ++(DecodeGif(file, img, 0) ? bad.decoded : bad.refused);
            DecodeAnyway(file, rel);
            continue;
        }
        ++good.files;
        bool byDigest = false;
        const auto refs = testsupport::HaveMagick()
                              ? CorpusReference(rel, byDigest)
                              : std::vector<std::optional<testsupport::Decoded>>{};
        if (byDigest) {
            CxImage img;
            ASSERT_TRUE(DecodeGif(file, img, 0)) << rel;
            ++good.decoded;
            const bool same =
                testsupport::Md5Hex(testsupport::ToRgb8(img)) == row->second.at("netpbm_rgb8_md5");
            digestsMatched += same;
            EXPECT_TRUE(same) << rel << " against netpbm's digest";
            continue;
        }
        const int refusedBefore = good.refused;
        CheckAgainst(rel, file, refs, good);
        if (good.refused != refusedBefore) {
            // We refuse only where our rules find no frame to show.
            const auto survey = SurveyFile(file);
            ASSERT_TRUE(survey) << rel;
            const auto [agreed, reason] = AgreeingFrames(*survey);
            EXPECT_EQ(agreed, 0) << rel;
            ++good.notCompared["whole file refused: " + reason];
        }
    }
    Report("corpus files other decoders read", good);
    std::printf("    frame 0 matched netpbm's digest where ImageMagick differs: %d\n",
                digestsMatched);
    Report("corpus files other decoders refuse", bad);
    EXPECT_GE(good.framesCompared, 150);
}

TEST(GifRealFiles, DecodedRealFilesSurviveOurEncoder) {
    std::vector<std::string> paths;
    const std::string corpus = testsupport::CorpusDir();
    if (!corpus.empty()) {
        for (const char* rel : {"gif/giflib/treescap-interlaced.gif", "gif/pillow/transparent.gif",
                                "gif/giflib/porsche.gif", "gif/wuffs/muybridge.gif"})
            paths.push_back(corpus + "/" + rel);
    }
    if (testsupport::HaveMagick()) {
        paths.push_back(TempPath("survive.gif"));
        ASSERT_EQ(testsupport::Run("/usr/bin/convert -size 30x20 xc:none -fill blue -draw "
                                   "'circle 15,10 15,2' -interlace GIF " +
                                   paths.back()),
                  0);
    }
    if (paths.empty()) GTEST_SKIP() << "neither the corpus nor ImageMagick";
    for (const std::string& path : paths) {
        CxImage first;
        ASSERT_TRUE(DecodeGif(ReadFileBytes(path), first)) << path;
        for (int option : {0, 1, 2}) {
            CxImage again;
            ASSERT_TRUE(DecodeGif(EncodeGif(first, option), again)) << path;
            EXPECT_EQ(again.GetTransIndex(), first.GetTransIndex()) << path;
            EXPECT_EQ(ToRgbaWithTransparency(again), ToRgbaWithTransparency(first)) << path;
        }
    }
}

// ---- Crafted damage -------------------------------------------------------------

namespace {

// A 2 x 1 image of indices {2, 1} after the given damaged one, so a test can
// see that the decoder found its way past the damage.
Bytes AfterDamage(const Bytes& damagedImage) {
    return GifBuilder()
        .Header(2, 1, 4)
        .Raw(damagedImage)
        .Control(0)
        .Image(0, 0, 2, 1, {2, 1}, 2)
        .Trailer()
        .bytes;
}

Bytes Descriptor(int w, int h) {
    return GifBuilder().Descriptor(0, 0, w, h, 0).bytes;
}

// The last frame of a file decodes to the 2 x 1 image {2, 1}.
void ExpectRecovered(const Bytes& file, const char* what) {
    CxImage probe;
    ASSERT_TRUE(DecodeGif(file, probe, 0)) << what;
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, probe.GetNumFrames() - 1)) << what;
    EXPECT_EQ(img.GetPixelIndex(0, 0), 2) << what;
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1) << what;
}

} // namespace

TEST(GifHostile, CodesBeyondTheTableAndLoopingPrefixChains) {
    // Clear, 0, then 7 while the next free code is 6: a code beyond the table.
    ExpectRecovered(AfterDamage(Concat(Descriptor(2, 1),
                                       Concat({2}, PackCodes({{4, 3}, {0, 3}, {7, 3}, {5, 3}})))),
                    "code beyond the table");
    // The bad code 7 makes entry 7 its own prefix; code 7 then loops.
    ExpectRecovered(
        AfterDamage(Concat(
            Descriptor(2, 1),
            Concat({2}, PackCodes({{4, 3}, {0, 3}, {7, 3}, {6, 3}, {7, 4}, {7, 4}, {5, 4}})))),
        "looping prefix chain");
}

TEST(GifHostile, MinimumCodeSizesOutOfRange) {
    for (int size : {0, 1, 10, 12, 255}) {
        Bytes data = LiteralLzw({1, 1}, 2);
        data[0] = static_cast<BYTE>(size);
        ExpectRecovered(AfterDamage(Concat(Descriptor(2, 1), data)), "minimum code size");
    }
}

TEST(GifHostile, DataSubBlocksOfEveryOddShape) {
    // No data at all, only the terminator.
    ExpectRecovered(AfterDamage(Concat(Descriptor(2, 1), {2, 0})), "empty data");
    // More data than the frame holds, as valid codes.
    ExpectRecovered(AfterDamage(Concat(Descriptor(2, 1), LiteralLzw(std::vector<int>(500, 3), 2))),
                    "too much data");
    // A frame of zero width, then one of zero height.
    ExpectRecovered(AfterDamage(Concat(Descriptor(0, 1), LiteralLzw({1}, 2))), "zero width");
    ExpectRecovered(AfterDamage(Concat(Descriptor(2, 0), LiteralLzw({1}, 2))), "zero height");
    // A frame larger than the screen is ignored.
    ExpectRecovered(AfterDamage(Concat(Descriptor(3, 1), LiteralLzw({1, 1, 1}, 2))),
                    "frame larger than the screen");
}

TEST(GifHostile, MissingTerminatorsAndTruncatedBlocks) {
    Bytes noTerminator = GifBuilder().Header(2, 1, 4).Image(0, 0, 2, 1, {1, 3}, 2).bytes;
    noTerminator.pop_back();
    CxImage img;
    ASSERT_TRUE(DecodeGif(noTerminator, img));
    EXPECT_EQ(img.GetPixelIndex(1, 0), 3);
    // A sub-block that claims more bytes than the file holds.
    const Bytes longBlock =
        Concat(GifBuilder().Header(2, 1, 4).Descriptor(0, 0, 2, 1, 0).bytes, {2, 200, 0x0C, 0x0A});
    EXPECT_TRUE(DecodeGif(longBlock, img));
    EXPECT_EQ(img.GetWidth(), 2u);
}

TEST(GifHostile, RowsTheDataDoesNotSupplyHoldTheCanvas) {
    // 4 rows of index 1, data for one and a half: the rest is the canvas,
    // filled with the control's index byte (3), never stale memory.
    std::vector<int> rows(6, 1);
    Bytes file = GifBuilder().Header(4, 4, 4).Control(0, 3).bytes;
    file = Concat(Concat(file, Descriptor(4, 4)), LiteralLzw(rows, 2));
    CxImage img;
    ASSERT_TRUE(DecodeGif(Concat(file, {0x3B}), img));
    const int expected[4][4] = {{1, 1, 1, 1}, {1, 1, 3, 3}, {3, 3, 3, 3}, {3, 3, 3, 3}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(img.GetPixelIndex(x, 3 - y), expected[y][x]) << x << "," << y;
    }
}

TEST(GifHostile, ThousandsOfTinyFramesStayLinear) {
    // 20000 one-pixel frames on a 3000 x 3000 screen, each disposed to the
    // background. Copying or clearing the screen for every frame would cost
    // hundreds of gigabytes of memory traffic.
    GifBuilder b;
    b.Header(3000, 3000, 4);
    constexpr int kFrames = 20000;
    for (int i = 0; i < kFrames; ++i)
        b.Control(2).Image(i % 3000, (i / 3000) * 7, 1, 1, {1 + i % 3}, 2);
    const Bytes file = b.Trailer().bytes;
    const auto start = std::chrono::steady_clock::now();
    CxImage img;
    ASSERT_TRUE(DecodeGif(file, img, kFrames - 1));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(img.GetNumFrames(), kFrames);
    EXPECT_LT(seconds, 30.0);
    // Only the last frame shows; everything else is the background (255 -> 15).
    const LONG lastX = (kFrames - 1) % 3000, lastY = 2999 - ((kFrames - 1) / 3000) * 7;
    EXPECT_EQ(img.GetPixelIndex(lastX, lastY), 1 + (kFrames - 1) % 3);
    EXPECT_EQ(img.GetPixelIndex(0, 2999), 15);
    EXPECT_EQ(img.GetPixelIndex(lastX - 1, lastY), 15);
}

TEST(GifHostile, LongDataForATinyFrameEndsWithTheFrame) {
    // 1 x 1 frames, plain and interlaced, each followed by 300 KB of codes.
    for (bool interlaced : {false, true}) {
        Bytes file = GifBuilder().Header(2, 1, 4).bytes;
        file = Concat(file, GifBuilder().Descriptor(0, 0, 1, 1, interlaced ? 0x40 : 0).bytes);
        file = Concat(file, LiteralLzw(std::vector<int>(800000, 2), 2));
        file = Concat(file, GifBuilder().Image(0, 0, 2, 1, {2, 1}, 2).Trailer().bytes);
        ExpectRecovered(file, interlaced ? "interlaced" : "plain");
    }
}

// ---- Truncation and mutation --------------------------------------------------

namespace {

// Small files of every kind the decoder handles.
std::vector<std::pair<std::string, Bytes>> SeedFiles() {
    std::vector<std::pair<std::string, Bytes>> seeds;
    CxImage eight = MakeImage(23, 17, 8, 70), one = MakeImage(30, 9, 1, 71);
    CxImage rgb = MakeImage(20, 18, 24, 72);
    seeds.push_back({"lzw8", EncodeGif(eight)});
    seeds.push_back({"rle1", EncodeGif(one, 2)});
    seeds.push_back({"none8", EncodeGif(eight, 1)});
    seeds.push_back({"mosaic", EncodeGif(rgb)});
    std::vector<int> px(48);
    for (int i = 0; i < 48; ++i)
        px[i] = (i * 5) % 16;
    seeds.push_back({"animated", GifBuilder()
                                     .Header(8, 6, 16)
                                     .Loop(0)
                                     .Comment("seed")
                                     .Control(1, 3, 5)
                                     .Image(0, 0, 8, 6, px, 4, 0, true)
                                     .Control(2)
                                     .Image(2, 1, 3, 2, {1, 2, 3, 4, 5, 6}, 4, 8)
                                     .Control(0)
                                     .Image(5, 3, 2, 2, {7, 7, 7, 7}, 4)
                                     .Trailer()
                                     .bytes});
    const std::string corpus = testsupport::CorpusDir();
    if (!corpus.empty()) {
        for (const char* rel : {"gif/giflib/treescap-interlaced.gif",
                                "gif/libgd-gif-conformance/valid/anim_10frame.gif",
                                "gif/wuffs/hippopotamus.regular.gif"})
            seeds.push_back({rel, ReadFileBytes(corpus + "/" + rel)});
    }
    return seeds;
}

} // namespace

TEST(GifHostile, TruncationSweep) {
    for (const auto& [name, file] : SeedFiles()) {
        const std::size_t step = file.size() > 2000 ? 7 : 1;
        for (std::size_t len = 0; len < file.size(); len += step)
            DecodeAnyway(Bytes(file.begin(), file.begin() + len),
                         name + " cut at " + std::to_string(len));
    }
}

TEST(GifHostile, RandomMutations) {
    std::mt19937 rng(20240517);
    for (const auto& [name, file] : SeedFiles()) {
        for (int round = 0; round < 300; ++round) {
            Bytes m = file;
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) {
                const std::size_t at = rng() % m.size();
                switch (rng() % 4) {
                case 0:
                    m[at] = static_cast<BYTE>(rng());
                    break;
                case 1:
                    m[at] ^= static_cast<BYTE>(1 << (rng() % 8));
                    break;
                case 2:
                    m.insert(m.begin() + static_cast<long>(at), static_cast<BYTE>(rng()));
                    break;
                default:
                    if (m.size() > 14) m.erase(m.begin() + static_cast<long>(at));
                }
            }
            DecodeAnyway(m, name + " mutation " + std::to_string(round));
        }
    }
}
