// Helpers shared by the codec tests: files in memory, test pictures, files
// written by ImageMagick, and comparison with another decoder's pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "image/CxMemFile.h"
#include "tests/support/TestSupport.h"

namespace codectest {

using Bytes = std::vector<BYTE>;

Bytes Concat(Bytes a, const Bytes& b);
// Little-endian fields appended to a file under construction.
void Put16(Bytes& b, unsigned v);
void Put32(Bytes& b, std::uint32_t v);
// A 40-byte DIB information header (2835 pixels per metre, 72 dpi).
Bytes InfoHeader(LONG width, LONG height, WORD bpp, DWORD compression = BI_RGB, DWORD colours = 0);
// A BMP file header and the information header; offBits 0 means header + 4 *
// colours. The caller appends palette, masks and pixels.
Bytes BmpFile(LONG width, LONG height, WORD bpp, DWORD compression = BI_RGB, DWORD colours = 0,
              DWORD offBits = 0);
// An 18-byte TGA header: image type, width, height, depth, descriptor, then
// the colour map's length (a map when not 0) and entry size, and the ID length.
Bytes TgaHeader(BYTE type, WORD width, WORD height, BYTE depth, BYTE descriptor = 0,
                WORD mapLength = 0, BYTE entrySize = 0, BYTE idLength = 0);
// A 128-byte PCX header, run-length encoded.
Bytes PcxHeader(WORD width, WORD height, BYTE bitsPerPixel, BYTE planes, WORD bytesPerLine);
Bytes ReadFileBytes(const std::string& path);
// Whether the file was written.
bool WriteFileBytes(const std::string& path, const Bytes& data);

// The encoded file, or an empty vector when the encoder refuses (its text is
// then in img's lastError).
Bytes EncodeBytes(CxImage& img, DWORD format);
// Decodes frame `frame` through the dispatch from memory; FORMAT_UNKNOWN detects.
bool DecodeBytes(const Bytes& data, DWORD format, CxImage& out, long frame = 0);
// The image decoded from memory as `format`; invalid when refused.
CxImage Decoded(const Bytes& data, DWORD format);
// Decodes straight with a codec object, so that its own state (frames, loop
// count ...) and refusal text stay visible.
template <class Codec>
bool DecodeWith(const Bytes& data, Codec& codec) {
    CxMemFile file(const_cast<BYTE*>(data.data()), static_cast<long>(data.size()));
    return codec.Decode(&file);
}
// Refusal texts, each with the files that must get it.
using Refusals = std::vector<std::pair<const char*, std::vector<Bytes>>>;
// Decodes every file as `format`: each must be refused with its text.
void ExpectRefusals(DWORD format, const Refusals& refusals);

// The ICO and GIF decoders refuse most damaged files without a message.
inline bool RefusesSilently(DWORD format) {
    return format == FORMAT_ICO || format == FORMAT_GIF;
}

// Sets the container's limits for one test and puts the defaults back.
class ScopedLimits {
public:
    ScopedLimits(std::uint64_t pixels, std::uint64_t bytes) {
        CxImage::SetMaxPixels(pixels);
        CxImage::SetMaxAllocation(bytes);
    }
    ScopedLimits(const ScopedLimits&) = delete;
    ScopedLimits& operator=(const ScopedLimits&) = delete;
    ~ScopedLimits() {
        CxImage::SetMaxPixels(CXIMAGE_DEFAULT_MAX_PIXELS);
        CxImage::SetMaxAllocation(CXIMAGE_DEFAULT_MAX_ALLOCATION);
    }
};

// Runs /usr/bin/convert <arguments> <output>; true when it wrote the file.
bool MagickWrite(const std::string& arguments, const std::string& output);

// A deterministic picture of noise-like values (every palette entry
// distinct; black and white at 1 bit), with an alpha plane holding 0 and
// other levels when asked.
CxImage MakePicture(DWORD width, DWORD height, DWORD bpp, bool alpha = false);
// Transparency as the container expresses it: alpha 0 in the alpha plane,
// else the transparent index (indexed) or transparent colour (true colour).
bool IsTransparent(const CxImage& img, LONG x, LONG y);

// How our pixels must relate to another decoder's.
struct Rule {
    // Bits a channel (red, green, blue) holds: below 8 the top bits must
    // agree and ours must have the low bits 0.
    int bits[3] = {8, 8, 8};
    int slack = 0;           // allowed difference of 8-bit channels
    bool colourOnly = false; // skip their transparent pixels, ignore alpha
};
// Pixels that differ from another decoder's RGBA (rows top-down): unless
// colourOnly, transparency must agree and an alpha plane must match; colours
// are compared where the pixel is not transparent. -1 when the sizes differ.
long Differences(const CxImage& img, const testsupport::Decoded& theirs, const Rule& rule = {});
// The rule for a file: BMP colours only (the decoder keeps no alpha) with
// bit-field channels as wide as their masks; 15- and 16-bit TGA channels are
// v << 3, and bit 15 is not alpha. Other files: the default.
Rule RuleFor(const Bytes& file, DWORD format);
// Differences between our decoding of a file ImageMagick writes (convert
// <arguments> into a file ending in `suffix`) and ImageMagick's own, by
// RuleFor; -1 when either side fails.
long MagickFileDifferences(const std::string& arguments, const std::string& suffix, DWORD format);

} // namespace codectest
