// Conversions between every pair of the ICO, TGA, PCX and WBMP formats through
// the format dispatch: an image written in one format, read back by detection
// and written in another comes back with the same pixels wherever the target
// can hold it, and is refused with the target's message where it cannot.
#include <gtest/gtest.h>

#include <cstdio>

#include "image/CxIOFile.h"

#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

struct Target {
    DWORD id;
    const char* name;
    bool (*canHold)(const CxImage&);
    const char* refusal;
};

bool FitsIcon(const CxImage& img) {
    return img.GetWidth() <= 255 && img.GetHeight() <= 255;
}
bool FitsTga(const CxImage& img) {
    return img.GetBpp() >= 8;
}
bool FitsPcx(const CxImage&) {
    return true;
}
bool FitsWbmp(const CxImage& img) {
    return img.GetBpp() == 1 && FitsIcon(img);
}

const Target kTargets[] = {
    {FORMAT_ICO, "ico", FitsIcon, "Can't save this image as icon"},
    {FORMAT_TGA, "tga", FitsTga, "Bit depth must be 8 or 24"},
    {FORMAT_PCX, "pcx", FitsPcx, ""},
    {FORMAT_WBMP, "wbmp", FitsWbmp, "Can't save this image as WBMP"},
};

std::vector<CxImage> Pictures() {
    std::vector<CxImage> pictures;
    for (DWORD bpp : {1u, 4u, 8u, 24u})
        pictures.push_back(MakePicture(37, 23, bpp));
    pictures.push_back(PictureWithAlpha(37, 23));
    pictures.push_back(MakePicture(300, 9, 1)); // too wide for ICO and WBMP
    return pictures;
}

std::vector<BYTE> Pixels(const CxImage& img) {
    return img.AlphaIsValid() ? testsupport::ToRgba8(img) : testsupport::ToRgb8(img);
}

// Writes img as `format` and reads it back by detection.
bool PassThrough(CxImage& img, DWORD format, CxImage& back) {
    const Bytes file = EncodeBytes(img, format);
    return !file.empty() && DecodeBytes(file, FORMAT_UNKNOWN, back) && back.GetType() == format;
}

} // namespace

TEST(CodecConversion, EveryPairWhereTheTargetCanHoldTheImage) {
    int conversions = 0, refusals = 0;
    for (CxImage& picture : Pictures()) {
        for (const Target& source : kTargets) {
            if (!source.canHold(picture)) continue;
            CxImage decoded;
            ASSERT_TRUE(PassThrough(picture, source.id, decoded)) << source.name;
            ASSERT_EQ(Pixels(decoded), Pixels(picture)) << source.name;
            for (const Target& target : kTargets) {
                CxImage converted;
                if (!target.canHold(decoded)) {
                    EXPECT_EQ(EncodeError(decoded, target.id), target.refusal);
                    ++refusals;
                    continue;
                }
                ASSERT_TRUE(PassThrough(decoded, target.id, converted))
                    << source.name << " to " << target.name;
                EXPECT_EQ(Pixels(converted), Pixels(picture))
                    << source.name << " to " << target.name;
                ++conversions;
            }
        }
    }
    EXPECT_EQ(conversions, 41);
    EXPECT_EQ(refusals, 19);
}

TEST(CodecConversion, EncodersReportWritesThatFail) {
    const std::string path = ScratchFile("readonly.bin");
    WriteFileBytes(path, {1, 2, 3});
    const std::pair<DWORD, const char*> formats[] = {
        {FORMAT_ICO, "Can't write icon file"},
        {FORMAT_TGA, "Can't write TGA file"},
        {FORMAT_PCX, "cannot write PCX header"},
        {FORMAT_WBMP, "Can't write WBMP file"},
    };
    for (const auto& [format, message] : formats) {
        CxImage img = MakePicture(9, 4, format == FORMAT_TGA ? 8 : 1);
        std::FILE* readOnly = std::fopen(path.c_str(), "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_FALSE(img.Encode(readOnly, format));
        EXPECT_STREQ(img.GetLastError(), message);
        std::fclose(readOnly);
    }
}
