// Helpers for the GIF tests: files built byte by byte (with a literal-code
// LZW writer that shares nothing with the codec), an independent reader of
// the code stream, the codec run through the dispatch, and ImageMagick's
// composition of every frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/CxImage.h"
#include "tests/support/TestSupport.h"

namespace giftest {

using Bytes = std::vector<std::uint8_t>;

// The colour of entry i in the global tables the builder writes, and in its
// local tables (a different set, so a test can tell which was used).
RGBQUAD GlobalColor(int i);
RGBQUAD LocalColor(int i);

Bytes Concat(Bytes a, const Bytes& b);

// Codes packed least significant bit first, each with its own width, cut
// into data sub-blocks and closed by the terminator. No minimum code size.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codeWidths);
// Image data for pixels (rows top-down) in literal codes only: the minimum
// code size byte, then sub-blocks with a clear code often enough to keep the
// code width at minCodeSize + 1.
Bytes LiteralLzw(const std::vector<int>& pixels, int minCodeSize);

// Builds a GIF file block by block.
class GifBuilder {
public:
    // globalColors 0: no global table; else a power of two from 2 to 256.
    GifBuilder& Header(int width, int height, int globalColors, const char* signature = "GIF89a");
    GifBuilder& Control(int disposal, int transIndex = -1, int delay = 0);
    GifBuilder& Loop(int loops, const char* name = "NETSCAPE2.0");
    GifBuilder& Comment(const std::string& text);
    // pixels hold width * height indices, rows top-down, in file order unless
    // interlaced (then the builder reorders them). localColors 0: no local table.
    GifBuilder& Image(int left, int top, int width, int height, const std::vector<int>& pixels,
                      int minCodeSize, int localColors = 0, bool interlaced = false);
    GifBuilder& Descriptor(int left, int top, int width, int height, int flags);
    GifBuilder& Raw(const Bytes& more);
    GifBuilder& Trailer();
    Bytes bytes;
};

// Where the pieces of a GIF file lie, by a minimal parse of its blocks.
struct GifImageInfo {
    int left = 0, top = 0, width = 0, height = 0, flags = 0;
    int minCodeSize = 0;
    Bytes data;                  // the data sub-blocks' contents, joined
    std::vector<int> blockSizes; // sizes of the data sub-blocks
};
struct GifLayout {
    int width = 0, height = 0, flags = 0;
    std::vector<GifImageInfo> images;
    std::vector<std::pair<int, Bytes>> extensions; // label, first sub-block
};
GifLayout ParseLayout(const Bytes& file);

// The codes of an image's data as a decoder reads them: widths grow with
// the decoder's table and return to minCodeSize + 1 at each clear code.
// Stops after the end code.
std::vector<int> ReadCodes(const Bytes& data, int minCodeSize);

// The codec through the dispatch.
Bytes EncodeGif(CxImage& image, int codecOption = 0);
bool DecodeGif(const Bytes& file, CxImage& image, int frame = 0);

// A path in the temporary folder that no other test process uses.
std::string TempPath(const std::string& name);
// Writes bytes to a temporary file of this process and returns its path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& path);

// ImageMagick's composition of the first maxFrames frames (each the logical
// screen's size), or nothing when it cannot read the file.
std::optional<std::vector<testsupport::Decoded>> MagickFrames(const std::string& path,
                                                              int maxFrames = 64);

// The image as RGBA rows top-down: pixels whose index is the transparent
// index get alpha 0 (and colour 0), all others alpha 255.
Bytes ToRgbaWithTransparency(const CxImage& image);
// Magick's RGBA with the colour of fully transparent pixels zeroed.
Bytes NormaliseTransparent(const Bytes& rgba);

// A w x h image of the given depth with a recognisable palette and pixels
// from seed; 24-bit images get random colours.
CxImage MakeImage(int width, int height, int bpp, unsigned seed);

} // namespace giftest
