// Helpers shared by the codec tests: encoding to and decoding from byte
// vectors, files written by ImageMagick, comparison with ImageMagick's
// decoding, and the truncation and mutation sweeps of the hostile-input tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "image/CxMemFile.h"
#include "tests/support/TestSupport.h"

namespace codectest {

using Bytes = std::vector<BYTE>;

// The encoded file, or an empty vector when the encoder refuses (its text is
// then in img's lastError).
Bytes EncodeBytes(CxImage& img, DWORD format);
Bytes Concat(Bytes a, const Bytes& b);
// Decodes through the dispatch from memory; FORMAT_UNKNOWN detects.
bool DecodeBytes(const Bytes& data, DWORD format, CxImage& out);
// Decodes straight with a codec object, so that its info (numFrames ...) and
// its own refusal text stay visible. Codec is CxImageICO, CxImageTGA ...
template <class Codec>
bool DecodeWith(const Bytes& data, Codec& codec) {
    CxMemFile file(const_cast<BYTE*>(data.data()), static_cast<long>(data.size()));
    return codec.Decode(&file);
}

// The refusal text of a codec object's decoder, or "<decoded>" when it
// accepts the file.
template <class Codec>
std::string DecodeError(const Bytes& file) {
    Codec codec;
    return DecodeWith(file, codec) ? "<decoded>" : codec.GetLastError();
}
// The refusal text of an encoder, or "<encoded>" when it writes the image.
std::string EncodeError(CxImage& img, DWORD format);

// A temporary file name of this process: ctest runs the tests of one program
// in parallel processes, which must not share files.
std::string ScratchFile(const std::string& name);
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& data);

// Runs /usr/bin/convert <arguments> <output>; true when it wrote the file.
bool MagickWrite(const std::string& arguments, const std::string& output);

// Transparency as the container expresses it: alpha 0 in the alpha plane,
// else the transparent index (indexed) or transparent colour (true colour).
bool IsTransparent(const CxImage& img, LONG x, LONG y);

// Compares an image with ImageMagick's decoding of a file, pixel by pixel
// (ImageMagick's rows are top-down). Transparency must agree; colours are
// compared where the pixel is opaque, after mapping ImageMagick's channel
// value through `expect`. Returns the number of differing pixels, or -1 when
// the sizes differ.
long DifferencesFromMagick(const CxImage& img, const testsupport::Decoded& magick,
                           const std::function<BYTE(BYTE)>& expect = nullptr);

// Pixel differences between our decoding of a file ImageMagick writes
// (convert <arguments> into a file ending in `suffix`) and ImageMagick's own
// decoding of it; -1 when either side fails.
long MagickFileDifferences(const std::string& arguments, const std::string& suffix, DWORD format,
                           const std::function<BYTE(BYTE)>& expect = nullptr);
// Pixel differences between an image and ImageMagick's decoding of the file
// we write of it; -1 when either side fails.
long OurFileDifferences(CxImage& img, DWORD format, const std::string& suffix);

// A deterministic test picture at 1, 4, 8 or 24 bits per pixel, with a
// palette for indexed depths that uses every colour.
CxImage MakePicture(DWORD width, DWORD height, DWORD bpp);
// Writes MakePicture (width x height) at each depth and reads it back by
// detection; lists what differs ("" when the format, depth and colours all
// come back).
std::string RoundTripFailures(DWORD format, std::initializer_list<DWORD> depths,
                              std::initializer_list<DWORD> widths, DWORD height);
// A 24-bit picture with an alpha plane holding 0 and other levels.
CxImage PictureWithAlpha(DWORD width, DWORD height);
// Same width, height and colour (palette entries resolved) for every pixel.
bool SameColours(const CxImage& a, const CxImage& b);

struct SweepCounts {
    int decoded = 0;
    int refused = 0;
    int refusedWithoutText = 0; // refusals that left lastError empty
};
// Decodes every prefix of a file (all lengths for small files, evenly spread
// cuts for large ones).
SweepCounts TruncationSweep(const Bytes& file, DWORD format);
// Decodes `rounds` copies of a file with 1 to 4 bytes overwritten (random,
// 0x00, 0xFF, 0x7F or 0x80 at random places), from a fixed seed.
SweepCounts MutationSweep(const Bytes& file, DWORD format, unsigned seed, int rounds);

} // namespace codectest
