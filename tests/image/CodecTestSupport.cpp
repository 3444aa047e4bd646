#include "tests/image/CodecTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include <unistd.h>

namespace codectest {

Bytes EncodeBytes(CxImage& img, DWORD format) {
    BYTE* buffer = nullptr;
    long size = 0;
    if (!img.Encode(buffer, size, format)) return {};
    Bytes out(buffer, buffer + size);
    CxImage::FreeMemory(buffer);
    return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string EncodeError(CxImage& img, DWORD format) {
    return EncodeBytes(img, format).empty() ? img.GetLastError() : "<encoded>";
}

bool DecodeBytes(const Bytes& data, DWORD format, CxImage& out) {
    return out.Decode(data.data(), static_cast<DWORD>(data.size()), format);
}

std::string ScratchFile(const std::string& name) {
    return testsupport::TempFile(std::to_string(getpid()) + "_" + name);
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

bool MagickWrite(const std::string& arguments, const std::string& output) {
    std::remove(output.c_str());
    return testsupport::Run("/usr/bin/convert " + arguments + " '" + output + "' 2>/dev/null") ==
               0 &&
           std::ifstream(output).good();
}

bool IsTransparent(const CxImage& img, LONG x, LONG y) {
    if (img.AlphaIsValid()) return img.AlphaGet(x, y) == 0;
    if (img.GetTransIndex() < 0) return false;
    if (img.IsIndexed()) return img.GetPixelIndex(x, y) == img.GetTransIndex();
    return img.GetPixelColor(x, y, false) == img.GetTransColor();
}

long DifferencesFromMagick(const CxImage& img, const testsupport::Decoded& magick,
                           const std::function<BYTE(BYTE)>& expect) {
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    if (width != magick.width || height != magick.height) return -1;
    long differences = 0;
    for (LONG row = 0; row < height; ++row) {
        for (LONG x = 0; x < width; ++x) {
            const BYTE* m = &magick.rgba[4 * (static_cast<std::size_t>(row) * width + x)];
            const LONG y = height - 1 - row;
            const bool transparent = IsTransparent(img, x, y);
            if (transparent != (m[3] == 0)) {
                ++differences;
                continue;
            }
            if (transparent) continue;
            const RGBQUAD c = img.GetPixelColor(x, y, true);
            const BYTE want[3] = {expect ? expect(m[0]) : m[0], expect ? expect(m[1]) : m[1],
                                  expect ? expect(m[2]) : m[2]};
            const bool alphaDiffers = img.AlphaIsValid() && c.rgbReserved != m[3];
            if (c.rgbRed != want[0] || c.rgbGreen != want[1] || c.rgbBlue != want[2] ||
                alphaDiffers)
                ++differences;
        }
    }
    return differences;
}

long MagickFileDifferences(const std::string& arguments, const std::string& suffix, DWORD format,
                           const std::function<BYTE(BYTE)>& expect) {
    const std::string path = ScratchFile("magick" + suffix);
    if (!MagickWrite(arguments, path)) return -1;
    CxImage img(path.c_str(), format);
    const auto magick = testsupport::MagickDecode(path);
    return img.IsValid() && magick ? DifferencesFromMagick(img, *magick, expect) : -1;
}

long OurFileDifferences(CxImage& img, DWORD format, const std::string& suffix) {
    const std::string path = ScratchFile("ours" + suffix);
    if (!img.Save(path.c_str(), format)) return -1;
    const auto magick = testsupport::MagickDecode(path);
    return magick ? DifferencesFromMagick(img, *magick) : -1;
}

CxImage MakePicture(DWORD width, DWORD height, DWORD bpp) {
    CxImage img(width, height, bpp);
    const DWORD colours = img.GetNumColors();
    for (DWORD i = 0; i < colours; ++i)
        img.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i * 37 + 11),
                            static_cast<BYTE>(255 - i * 13), static_cast<BYTE>(i * 101 + 3));
    if (bpp == 1) {
        img.SetPaletteColor(0, RGB(0, 0, 0));
        img.SetPaletteColor(1, RGB(255, 255, 255));
    }
    for (LONG y = 0; y < static_cast<LONG>(height); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(width); ++x) {
            const DWORD v = static_cast<DWORD>(x * 7 + y * 13 + (x * y) % 5);
            if (colours) {
                img.SetPixelIndex(x, y, static_cast<BYTE>(v % colours));
            } else {
                img.SetPixelColor(x, y, RGB(BYTE(v), BYTE(x * 29 + y), BYTE(y * 41 + 200)));
            }
        }
    }
    return img;
}

std::string RoundTripFailures(DWORD format, std::initializer_list<DWORD> depths,
                              std::initializer_list<DWORD> widths, DWORD height) {
    std::string failures;
    for (DWORD bpp : depths) {
        for (DWORD width : widths) {
            CxImage img = MakePicture(width, height, bpp);
            CxImage back;
            if (!DecodeBytes(EncodeBytes(img, format), FORMAT_UNKNOWN, back) ||
                back.GetType() != format || back.GetBpp() != bpp || !SameColours(back, img))
                failures += " " + std::to_string(bpp) + "-bit width " + std::to_string(width);
        }
    }
    return failures;
}

CxImage PictureWithAlpha(DWORD width, DWORD height) {
    CxImage img = MakePicture(width, height, 24);
    img.AlphaCreate();
    for (LONG x = 0; x < static_cast<LONG>(width); ++x)
        img.AlphaSet(x, x % static_cast<LONG>(height), static_cast<BYTE>(x * 9));
    return img;
}

bool SameColours(const CxImage& a, const CxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    return testsupport::ToRgb8(a) == testsupport::ToRgb8(b);
}

namespace {

void Tally(const Bytes& data, DWORD format, SweepCounts& counts) {
    CxImage img;
    if (DecodeBytes(data, format, img)) {
        ++counts.decoded;
    } else {
        ++counts.refused;
        counts.refusedWithoutText += img.GetLastError()[0] == '\0';
    }
}

} // namespace

SweepCounts TruncationSweep(const Bytes& file, DWORD format) {
    SweepCounts counts;
    const std::size_t step = std::max<std::size_t>(1, file.size() / 400);
    for (std::size_t length = 0; length < file.size(); length += step)
        Tally(Bytes(file.begin(), file.begin() + static_cast<long>(length)), format, counts);
    return counts;
}

SweepCounts MutationSweep(const Bytes& file, DWORD format, unsigned seed, int rounds) {
    SweepCounts counts;
    std::mt19937 random(seed);
    static const int special[] = {0x00, 0xFF, 0x7F, 0x80};
    for (int round = 0; round < rounds; ++round) {
        Bytes mutated = file;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !mutated.empty(); ++e) {
            const std::size_t at = random() % mutated.size();
            const unsigned kind = random() % 5;
            mutated[at] = static_cast<BYTE>(kind < 4 ? special[kind] : random());
        }
        Tally(mutated, format, counts);
    }
    return counts;
}

} // namespace codectest
