// Helpers shared by the BMP tests: building small files byte by byte,
// decoding from memory, and comparing a decoded image with an independent
// decoding under this codec's colour rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "tests/support/TestSupport.h"

namespace bmptest {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v);
void Put32(Bytes& b, std::uint32_t v);
Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// A file header and a 40-byte information header; the caller appends
// palette, masks and pixels. offBits 0 means header + 4 * colours.
Bytes FileAndInfoHeader(int width, int height, int bpp, std::uint32_t compression,
                        std::uint32_t colours = 0, std::uint32_t offBits = 0);

// A file with a 124-byte V5 header carrying the given masks (red, green,
// blue, alpha), biSizeImage 0, and `gap` spare bytes between the header and
// the pixels, which bfOffBits skips.
Bytes V5File(int width, int height, int bpp, std::uint32_t compression,
             const std::uint32_t (&masks)[4], const Bytes& pixels, int gap = 0);

// The image decoded from memory as FORMAT_BMP; invalid on failure.
CxImage DecodeBmp(const Bytes& bytes);

// Bits per channel (red, green, blue) this codec gives a file, read from its
// header: the bit-field widths of 16- and 32-bit files, else 8.
struct ChannelBits {
    int red = 8, green = 8, blue = 8;
};
ChannelBits ChannelBitsOf(const Bytes& file);

// How the decoded image compares with an independent RGBA decoding: the
// number of pixels whose colour differs beyond what the channel widths allow
// (a channel of n < 8 bits must agree in its top n bits and have its low
// bits 0; wider channels may differ by 1). Pixels the independent decoding
// leaves fully transparent carry no colour and are skipped. -1 when the sizes
// differ.
long CountMismatches(const CxImage& ours, const testsupport::Decoded& theirs, ChannelBits bits);

} // namespace bmptest
