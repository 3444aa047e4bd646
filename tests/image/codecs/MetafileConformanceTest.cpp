// Every corpus metafile drawn by our codec and by independent renderers at
// our output size (EMF: emf2svg-conv then rsvg-convert; WMF: ImageMagick's
// libwmf delegate), compared by where the ink is (InkAgreement.h). Files
// are grouped by whether they hold text records; each group's mean figure
// is printed and held to a target, every file's figure is listed, and no
// picture the references draw may come out blank. Files where a reference
// is wrong are listed with the reason and left out of the means.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <thread>

#include "image/CxImage.h"
#include "platform/ByteOrder.h"
#include "platform/MetafilePlayer.h"
#include "tests/image/codecs/CodecTestSupport.h"
#include "tests/image/codecs/InkAgreement.h"
#include "tests/image/codecs/MetafileReference.h"
#include "tests/support/TestSupport.h"

using testsupport::CorpusDir;
using testsupport::Decoded;

namespace {

constexpr double kTargetWithoutText = 0.8;
constexpr double kTargetWithText = 0.75;

// Where the references are wrong (seen on the pictures), by file.
const std::string kBlankEa =
    "emf2svg draws an all-white page; the file's text records draw a caption";
const std::map<std::string, std::string> kReferenceWrong = {
    {"emf/libemf2svg/test-065.emf",
     "emf2svg paints the whole picture black; the records draw a framed white rectangle with its "
     "diagonals"},
    {"emf/libemf2svg/test-153.emf",
     "emf2svg draws the geometric PS_USERSTYLE pen solid and its width unmapped (8 pixels, not "
     "8 logical units at a third of a pixel each)"},
    {"emf/libemf2svg/test-154.emf",
     "emf2svg draws the geometric PS_USERSTYLE pen solid and its width unmapped (8 pixels, not "
     "8 logical units at a third of a pixel each)"},
    {"emf/libemf2svg/test-125.emf",
     "emf2svg keeps the window origin set between SaveDC and RestoreDC, so it draws everything "
     "48 by 17 pixels right of and below where the restored origin (48, 17) puts it"},
    {"emf/libemf2svg/test-171.emf",
     "emf2svg leaves out the ETO_OPAQUE rectangle that paints the page black and draws the lines "
     "between the balls shrunk into the middle"},
    {"emf/libemf2svg/test-186.emf",
     "emf2svg fills the curved arrow as a blob that covers half the picture; the records draw a "
     "thin arrow between the labels"},
    {"emf/libemf2svg/test-184.emf",
     "emf2svg's SVG collapses the double space after \"Voici\", so the rest of that line is drawn "
     "a space too far left (the Cyrillic line's ink box matches ours to the pixel)"},
    {"emf/poi/SimpleEMF_mac.emf",
     "emf2svg draws the geometric pens of the boxes with their width unmapped (13 pixels, not 13 "
     "logical units at a tenth of a pixel each)"},
    {"emf/poi/vector_image.emf",
     "emf2svg ignores the window origin (112, 64), so it draws the diagram 112 by 64 pixels too "
     "far right and down"},
    {"emf/libemf2svg-corrupted/bad_corrupted_2017-02-12-010400.emf",
     "emf2svg draws the chart's bitmaps as a black panel with white bars; the records draw blue "
     "bars on white"},
    {"emf/poi/nested_wmf.emf",
     "emf2svg paints the page black and leaves out the text; the records fill the page with a "
     "monochrome pattern of 0 bits, which paint the text colour (white), and the markers with it "
     "in navy"},
    {"emf/poi/63327.emf",
     "emf2svg centres the caption by its unstretched width, then draws it stretched 2.9 times "
     "by the anisotropic frame, so it starts near the centre and runs off the right edge"},
    {"wmf/libwmf/fulltest.wmf",
     "ImageMagick draws the text about 0.7 times too small: the 48-point bold title is 670 pixels "
     "wide where Arial Bold at 64 pixels per em takes 942"},
    {"wmf/libwmf/p0000001.wmf",
     "ImageMagick draws Times New Roman in a sans face and maps a wider area than the window onto "
     "the picture: the right bracket, at 4578 of the window's 4800 units, lands at 0.87 of the "
     "width"},
    {"wmf/libwmf/text.wmf",
     "ImageMagick sizes this file without header or window from its own estimate of the text, "
     "which cuts off the strings at x = 150 and the rotated ones, then squeezes the rows"},
    {"wmf/poi/64716_image3.wmf",
     "ImageMagick reads the GB2312 strings as single bytes and draws accented Latin letters where "
     "the records have Chinese"},
    {"emf/libemf2svg-ea/EA-test-file-001.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-003.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-006.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-008.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-010.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-012.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-013.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-014.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-031.emf", kBlankEa},
    {"emf/libemf2svg-ea/EA-test-file-032.emf", kBlankEa},
};

struct Entry {
    std::string file;
    bool text = false;
    std::optional<Decoded> ours, theirs;
    double figure = 0;
};

bool IsText(DWORD type, bool enhanced) {
    const std::set<DWORD> emf = {83, 84, 96, 97,
                                 108};            // EXTTEXTOUTA/W, POLYTEXTOUTA/W, SMALLTEXTOUT
    const std::set<DWORD> wmf = {0x0521, 0x0A32}; // TEXTOUT, EXTTEXTOUT
    return (enhanced ? emf : wmf).contains(type);
}

// The record types of a metafile as the player meets them, played onto a
// small surface.
PlaybackReport Records(const std::string& path, bool& enhanced) {
    const std::vector<BYTE> bytes = codectest::ReadFileBytes(path);
    PlaybackReport report;
    HDC dc = CreateSurfaceDC(64, 64, RGB(255, 255, 255));
    const RECT dest{0, 0, 64, 64};
    ENHMETAHEADER h;
    enhanced = GetEnhMetaFileHeader(bytes, &h);
    if (enhanced) {
        PlayEnhMetaFile(dc, bytes, dest, {}, &report);
    } else {
        const bool placeable = bytes.size() >= 4 && GetLE32(bytes.data()) == 0x9AC6CDD7;
        PlayWinMetaFile(dc, std::span(bytes).subspan(placeable && bytes.size() >= 22 ? 22 : 0),
                        RECT{0, 0, 64, 64}, dest, {}, &report);
    }
    DeleteDC(dc);
    return report;
}

// The references, two renderings at a time.
void RenderReferences(std::vector<Entry>& entries) {
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&entries, w] {
            for (std::size_t i = w; i < entries.size(); i += 2) {
                Entry& e = entries[i];
                e.theirs =
                    metafileref::Render(CorpusDir() + "/" + e.file, e.ours ? e.ours->width : 0,
                                        e.ours ? e.ours->height : 0);
            }
        });
    }
    for (std::thread& t : workers)
        t.join();
}

struct Means {
    double sum[2] = {0, 0};
    int count[2] = {0, 0};
    double Of(bool text) const { return count[text] ? sum[text] / count[text] : 0; }
};

} // namespace

TEST(MetafileConformance, InkAgreesWithIndependentRenderers) {
    if (CorpusDir().empty()) GTEST_SKIP() << "corpus absent";
    if (const std::string missing = metafileref::MissingRenderers(); !missing.empty())
        GTEST_SKIP() << missing << " (scripts/setup installs the renderers)";
    std::vector<Entry> entries;
    std::map<DWORD, std::set<std::string>> skipped; // WMF types with the top bit set
    for (const std::string& file : testsupport::CorpusMetafiles()) {
        Entry e;
        e.file = file;
        bool enhanced = false;
        const PlaybackReport report = Records(CorpusDir() + "/" + file, enhanced);
        for (const auto& [type, n] : report.records)
            e.text = e.text || IsText(type, enhanced);
        for (const auto& [type, n] : report.skipped)
            skipped[type | (enhanced ? 0 : 0x80000000u)].insert(file);
        CxImage img;
        if (img.Load((CorpusDir() + "/" + file).c_str(), FORMAT_WMF))
            e.ours = Decoded{int(img.GetWidth()), int(img.GetHeight()), testsupport::ToRgba8(img)};
        entries.push_back(std::move(e));
    }
    RenderReferences(entries);

    Means means;
    std::vector<const Entry*> listed;
    for (Entry& e : entries) {
        if (!e.theirs) continue;
        const inkagreement::InkMask theirs = inkagreement::InkOf(*e.theirs);
        const inkagreement::InkMask ours =
            e.ours ? inkagreement::InkOf(*e.ours) : inkagreement::InkMask{};
        e.figure = e.ours ? inkagreement::Agreement(ours, theirs) : theirs.count ? 0 : 1;
        listed.push_back(&e);
        const bool blank = ours.count == 0 && theirs.count > 0;
        if (blank && !kReferenceWrong.contains(e.file))
            ADD_FAILURE() << e.file << " is blank (or refused) where the reference draws";
        if (kReferenceWrong.contains(e.file)) continue;
        means.sum[e.text] += e.figure;
        ++means.count[e.text];
    }
    std::sort(listed.begin(), listed.end(),
              [](const Entry* a, const Entry* b) { return a->figure < b->figure; });
    for (const Entry* e : listed) {
        const auto wrong = kReferenceWrong.find(e->file);
        const std::string note =
            wrong == kReferenceWrong.end() ? "" : " (reference wrong: " + wrong->second + ")";
        std::printf("[ ink ] %.3f %s %s%s%s\n", e->figure, e->text ? "text" : "    ",
                    e->file.c_str(), e->ours ? "" : " (refused)", note.c_str());
    }
    for (const Entry& e : entries) {
        if (!e.theirs) std::printf("[ ink ] no reference: %s\n", e.file.c_str());
    }
    for (const auto& [key, files] : skipped) {
        std::printf("[ skipped ] %s record 0x%04X in %zu files, e.g. %s\n",
                    key & 0x80000000u ? "WMF" : "EMF", key & 0x7FFFFFFFu, files.size(),
                    files.begin()->c_str());
    }
    std::printf("[ ink ] mean agreement: %.3f over %d files without text, %.3f over %d with text\n",
                means.Of(false), means.count[0], means.Of(true), means.count[1]);
    EXPECT_GE(means.Of(false), kTargetWithoutText);
    EXPECT_GE(means.Of(true), kTargetWithText);
    // Nearly every corpus metafile has a reference to be compared with.
    EXPECT_GE(listed.size(), 130u);
}
