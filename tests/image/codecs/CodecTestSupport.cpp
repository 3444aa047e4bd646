#include "tests/image/codecs/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace codectest {

namespace {

std::uint32_t Get32(const Bytes& f, std::size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | std::uint32_t{f[at + 3]} << 24;
}

int FieldWidth(std::uint32_t mask) {
    return mask ? 32 - __builtin_clz(mask) - __builtin_ctz(mask) : 8;
}

bool ChannelAgrees(int ours, int theirs, int bits, int slack) {
    if (bits >= 8) return std::abs(ours - theirs) <= slack;
    const int low = (1 << (8 - bits)) - 1;
    return (ours & low) == 0 && (ours & ~low) == (theirs & ~low);
}

} // namespace

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void Put16(Bytes& b, unsigned v) {
    b.insert(b.end(), {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8)});
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes InfoHeader(LONG width, LONG height, WORD bpp, DWORD compression, DWORD colours) {
    Bytes h;
    for (std::uint32_t v : {40u, DWORD(width), DWORD(height), 1u | bpp << 16u, compression, 0u,
                            2835u, 2835u, colours, 0u})
        Put32(h, v);
    return h;
}

Bytes BmpFile(LONG width, LONG height, WORD bpp, DWORD compression, DWORD colours, DWORD offBits) {
    Bytes b = {'B', 'M'};
    for (std::uint32_t v : {0u, 0u, offBits ? offBits : 54 + 4 * colours})
        Put32(b, v);
    return Concat(b, InfoHeader(width, height, bpp, compression, colours));
}

Bytes TgaHeader(BYTE type, WORD width, WORD height, BYTE depth, BYTE descriptor, WORD mapLength,
                BYTE entrySize, BYTE idLength) {
    Bytes h = {idLength, BYTE(mapLength ? 1 : 0), type, 0, 0};
    Put16(h, mapLength);
    h.insert(h.end(), {entrySize, 0, 0, 0, 0});
    Put16(h, width);
    Put16(h, height);
    h.insert(h.end(), {depth, descriptor});
    return h;
}

Bytes PcxHeader(WORD width, WORD height, BYTE bitsPerPixel, BYTE planes, WORD bytesPerLine) {
    Bytes h = {10, 5, 1, bitsPerPixel, 0, 0, 0, 0};
    Put16(h, width - 1u);
    Put16(h, height - 1u);
    h.resize(65, 0);
    h.push_back(planes);
    Put16(h, bytesPerLine);
    h.resize(128, 0);
    return h;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return bool(out);
}

Bytes EncodeBytes(CxImage& img, DWORD format) {
    BYTE* buffer = nullptr;
    long size = 0;
    if (!img.Encode(buffer, size, format)) return {};
    Bytes out(buffer, buffer + size);
    CxImage::FreeMemory(buffer);
    return out;
}

bool DecodeBytes(const Bytes& data, DWORD format, CxImage& out, long frame) {
    out.SetFrame(frame);
    return out.Decode(data.data(), static_cast<DWORD>(data.size()), format);
}

CxImage Decoded(const Bytes& data, DWORD format) {
    CxImage img;
    DecodeBytes(data, format, img);
    return img;
}

void ExpectRefusals(DWORD format, const Refusals& refusals) {
    for (const auto& [message, files] : refusals) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            CxImage img;
            EXPECT_FALSE(DecodeBytes(files[i], format, img)) << message << ", file " << i;
            EXPECT_STREQ(img.GetLastError(), message) << "file " << i;
        }
    }
}

bool MagickWrite(const std::string& arguments, const std::string& output) {
    std::remove(output.c_str());
    return testsupport::Run("/usr/bin/convert " + arguments + " '" + output + "' 2>/dev/null") ==
               0 &&
           std::ifstream(output).good();
}

CxImage MakePicture(DWORD width, DWORD height, DWORD bpp, bool alpha) {
    CxImage img(width, height, bpp);
    const DWORD colours = img.GetNumColors();
    for (DWORD i = 0; i < colours; ++i)
        img.SetPaletteColor(BYTE(i), BYTE(i * 37 + 11), BYTE(255 - i * 13), BYTE(i * 101 + 3));
    if (bpp == 1) img.SetGrayPalette();
    if (alpha) img.AlphaCreate();
    for (LONG i = 0; i < LONG(width * height); ++i) {
        const LONG x = i % LONG(width), y = i / LONG(width);
        std::uint32_t v = std::uint32_t(x) * 2654435761u ^ std::uint32_t(y + 1) * 2246822519u;
        v ^= v >> 15;
        if (colours) {
            img.SetPixelIndex(x, y, BYTE(v % colours));
        } else {
            img.SetPixelColor(x, y, RGB(BYTE(v), BYTE(v >> 8), BYTE(v >> 16)));
        }
        if (alpha) img.AlphaSet(x, y, BYTE(x * 37 + y * 11));
    }
    return img;
}

bool IsTransparent(const CxImage& img, LONG x, LONG y) {
    if (img.AlphaIsValid()) return img.AlphaGet(x, y) == 0;
    if (img.GetTransIndex() < 0) return false;
    if (img.IsIndexed()) return img.GetPixelIndex(x, y) == img.GetTransIndex();
    return img.GetPixelColor(x, y, false) == img.GetTransColor();
}

long Differences(const CxImage& img, const testsupport::Decoded& theirs, const Rule& rule) {
    const LONG width = LONG(img.GetWidth()), height = LONG(img.GetHeight());
    if (width != theirs.width || height != theirs.height) return -1;
    long differences = 0;
    for (LONG i = 0; i < width * height; ++i) {
        const BYTE* m = &theirs.rgba[4 * std::size_t(i)];
        const LONG x = i % width, y = height - 1 - i / width;
        const RGBQUAD c = img.GetPixelColor(x, y, true);
        const bool transparent = !rule.colourOnly && IsTransparent(img, x, y);
        if (rule.colourOnly ? m[3] == 0 : transparent && m[3] == 0) continue;
        bool same = transparent == (m[3] == 0) &&
                    (rule.colourOnly || !img.AlphaIsValid() || c.rgbReserved == m[3]);
        const BYTE ours[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
        for (int k = 0; k < 3; ++k)
            same = same && ChannelAgrees(ours[k], m[k], rule.bits[k], rule.slack);
        differences += !same;
    }
    return differences;
}

Rule RuleFor(const Bytes& f, DWORD format) {
    Rule rule;
    if (format == FORMAT_TGA && f.size() >= 18 && (f[16] == 15 || f[16] == 16))
        return {{5, 5, 5}, 0, true};
    if (format != FORMAT_BMP) return rule;
    rule.colourOnly = true;
    const std::size_t h = f.size() >= 2 && f[0] == 'B' && f[1] == 'M' ? 14 : 0;
    if (f.size() < h + 52 || Get32(f, h) < 40) return rule;
    const unsigned bpp = f[h + 14] | f[h + 15] << 8;
    if (bpp != 16 && bpp != 32) return rule;
    std::uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
    if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x3E0, masks[2] = 0x1F;
    for (int i = 0; Get32(f, h + 16) == BI_BITFIELDS && i < 3; ++i)
        masks[i] = Get32(f, h + 40 + 4 * i) & (bpp == 16 ? 0xFFFF : 0xFFFFFFFF);
    for (int i = 0; i < 3; ++i)
        rule.bits[i] = FieldWidth(masks[i]);
    return rule;
}

long MagickFileDifferences(const std::string& arguments, const std::string& suffix, DWORD format) {
    const std::string path = testsupport::TempFile("magick" + suffix);
    if (!MagickWrite(arguments, path)) return -1;
    CxImage img(path.c_str(), format);
    const auto magick = testsupport::MagickDecode(path);
    return img.IsValid() && magick ? Differences(img, *magick, RuleFor(ReadFileBytes(path), format))
                                   : -1;
}

} // namespace codectest
