#include "tests/image/BmpTestSupport.h"

#include <fstream>
#include <iterator>

namespace bmptest {

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

Bytes FileAndInfoHeader(int width, int height, int bpp, std::uint32_t compression,
                        std::uint32_t colours, std::uint32_t offBits) {
    Bytes b = {'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, offBits ? offBits : 54 + 4 * colours);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(bpp));
    Put32(b, compression);
    Put32(b, 0);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, colours);
    Put32(b, 0);
    return b;
}

Bytes V5File(int width, int height, int bpp, std::uint32_t compression,
             const std::uint32_t (&masks)[4], const Bytes& pixels, int gap) {
    Bytes b = FileAndInfoHeader(width, height, bpp, compression, 0,
                                static_cast<std::uint32_t>(14 + 124 + gap));
    b[14] = 124;
    b.resize(14 + 40);
    for (std::uint32_t m : masks)
        Put32(b, m);
    b.resize(14 + 124 + static_cast<std::size_t>(gap), 0xEE);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

CxImage DecodeBmp(const Bytes& bytes) {
    CxImage img;
    img.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), FORMAT_BMP);
    return img;
}

namespace {

std::uint32_t Get32(const Bytes& f, std::size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (std::uint32_t{f[at + 3]} << 24);
}

int FieldWidth(std::uint32_t mask) {
    if (mask == 0) return 8;
    return 32 - __builtin_clz(mask) - __builtin_ctz(mask);
}

// Whether our channel value is what a channel of `bits` bits gives for the
// independent decoder's value.
bool ChannelAgrees(int ours, int theirs, int bits) {
    if (bits >= 8) return ours - theirs <= 1 && theirs - ours <= 1;
    const int low = (1 << (8 - bits)) - 1;
    return (ours & low) == 0 && (ours & ~low) == (theirs & ~low);
}

} // namespace

ChannelBits ChannelBitsOf(const Bytes& f) {
    ChannelBits bits;
    const std::size_t h = (f.size() >= 2 && f[0] == 'B' && f[1] == 'M') ? 14 : 0;
    if (f.size() < h + 52 || Get32(f, h) < 40) return bits;
    const unsigned bpp = f[h + 14] | (f[h + 15] << 8);
    if (bpp != 16 && bpp != 32) return bits;
    std::uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
    if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x3E0, masks[2] = 0x1F;
    if (Get32(f, h + 16) == 3) {
        // Masks sit at the same place after a 40-byte header and inside longer ones.
        for (int i = 0; i < 3; ++i)
            masks[i] = Get32(f, h + 40 + 4 * i) & (bpp == 16 ? 0xFFFF : 0xFFFFFFFF);
    }
    bits.red = FieldWidth(masks[0]);
    bits.green = FieldWidth(masks[1]);
    bits.blue = FieldWidth(masks[2]);
    return bits;
}

long CountMismatches(const CxImage& ours, const testsupport::Decoded& theirs, ChannelBits bits) {
    if (static_cast<int>(ours.GetWidth()) != theirs.width ||
        static_cast<int>(ours.GetHeight()) != theirs.height)
        return -1;
    const std::vector<std::uint8_t> rgb = testsupport::ToRgb8(ours);
    long mismatches = 0;
    for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) {
        const std::uint8_t* o = &rgb[3 * i];
        const std::uint8_t* t = &theirs.rgba[4 * i];
        if (t[3] == 0) continue; // fully transparent: no colour to compare
        if (!ChannelAgrees(o[0], t[0], bits.red) || !ChannelAgrees(o[1], t[1], bits.green) ||
            !ChannelAgrees(o[2], t[2], bits.blue))
            ++mismatches;
    }
    return mismatches;
}

} // namespace bmptest
