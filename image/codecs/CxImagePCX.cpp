// PCX decoding and encoding. Rows are stored top row first; within a row the
// planes follow each other, each bytes-per-line long, and the whole image is
// one run-length stream: a byte 0xC0 | n repeats the next byte n times, any
// other byte stands for itself.
#include "image/codecs/CxImagePCX.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/CxMemFile.h"
#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "image/codecs/StreamRemaining.h"
#include "platform/ByteOrder.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr BYTE kManufacturer = 10;
constexpr BYTE kRleEncoding = 1;
constexpr BYTE kPaletteSignature = 12;
constexpr int kMaxPlanes = 4;
constexpr int kMaxRun = 63;

struct PcxHeader {
    BYTE manufacturer = 0;
    BYTE version = 0;
    BYTE encoding = 0;
    BYTE bitsPerPixel = 0;
    WORD xMin = 0;
    WORD yMin = 0;
    WORD xMax = 0;
    WORD yMax = 0;
    WORD hRes = 0;
    WORD vRes = 0;
    BYTE colorMap[48] = {};
    BYTE reserved = 0;
    BYTE planes = 0;
    WORD bytesPerLine = 0;
    WORD paletteInfo = 0;
};

PcxHeader ParseHeader(const BYTE* p) {
    PcxHeader h;
    h.manufacturer = p[0];
    h.version = p[1];
    h.encoding = p[2];
    h.bitsPerPixel = p[3];
    h.xMin = GetLE16(p + 4);
    h.yMin = GetLE16(p + 6);
    h.xMax = GetLE16(p + 8);
    h.yMax = GetLE16(p + 10);
    h.hRes = GetLE16(p + 12);
    h.vRes = GetLE16(p + 14);
    std::memcpy(h.colorMap, p + 16, sizeof h.colorMap);
    h.reserved = p[64];
    h.planes = p[65];
    h.bytesPerLine = GetLE16(p + 66);
    h.paletteInfo = GetLE16(p + 68);
    return h;
}

// The 58 filler bytes stay zero.
void StoreHeader(BYTE* p, const PcxHeader& h) {
    std::memset(p, 0, kHeaderSize);
    p[0] = h.manufacturer;
    p[1] = h.version;
    p[2] = h.encoding;
    p[3] = h.bitsPerPixel;
    PutLE16(p + 4, h.xMin);
    PutLE16(p + 6, h.yMin);
    PutLE16(p + 8, h.xMax);
    PutLE16(p + 10, h.yMax);
    PutLE16(p + 12, h.hRes);
    PutLE16(p + 14, h.vRes);
    std::memcpy(p + 16, h.colorMap, sizeof h.colorMap);
    p[64] = h.reserved;
    p[65] = h.planes;
    PutLE16(p + 66, h.bytesPerLine);
    PutLE16(p + 68, h.paletteInfo);
}

// ---- Decoding ----

// How the planes of a row make pixels.
enum class Layout {
    Rgb,       // 3 planes of 8 bits: red, green, blue
    Rgba,      // 4 planes of 8 bits: red, green, blue, alpha
    Packed,    // 1 plane of 1, 2, 4 or 8-bit indices
    BitPlanes, // 0, 2, 3 or 4 planes of 1 bit; plane p gives bit p of the index
};

PcxHeader ReadHeader(CxFile& f) {
    BYTE raw[kHeaderSize];
    if (f.Read(raw, kHeaderSize, 1) == 0) throw CodecFailure(CodecError::PcxRead);
    const PcxHeader h = ParseHeader(raw);
    if (h.manufacturer != kManufacturer) throw CodecFailure(CodecError::NotPcx);
    if (h.encoding != kRleEncoding) throw CodecFailure(CodecError::PcxEncoding);
    return h;
}

Layout LayoutOf(const PcxHeader& h) {
    if (h.planes > kMaxPlanes) throw CodecFailure(CodecError::PcxPlanes);
    if (h.bitsPerPixel == 8 && h.planes == 3) return Layout::Rgb;
    if (h.bitsPerPixel == 8 && h.planes == 4) return Layout::Rgba;
    if (h.planes == 1) return Layout::Packed;
    if (h.bitsPerPixel != 1) throw CodecFailure(CodecError::PcxBits);
    return Layout::BitPlanes;
}

// Two or three bit planes carry indices up to 3 or 7, so they get a 4-bit
// image like four planes do rather than losing their upper planes.
DWORD ImageBpp(const PcxHeader& h, Layout layout) {
    if (layout == Layout::Rgb || layout == Layout::Rgba) return 24;
    if (layout == Layout::BitPlanes && h.planes >= 2) return 4;
    return h.bitsPerPixel;
}

// Header extents are inclusive; a minimum above the maximum gives 0, which
// Create refuses.
DWORD Extent(WORD minimum, WORD maximum) {
    return maximum >= minimum ? static_cast<DWORD>(maximum - minimum) + 1 : 0;
}

// Decodes the run-length stream row by row. A run may carry on into the next
// row, but never past the end of the image.
class PcxReader {
public:
    PcxReader(CxImage& img, CxFile& f, const PcxHeader& h, Layout layout)
        : img(img), f(f), layout(layout), bitsPerPixel(h.bitsPerPixel), planes(h.planes),
          bytesPerLine(h.bytesPerLine), row(static_cast<std::size_t>(planes) * bytesPerLine) {
        remaining = static_cast<std::uint64_t>(row.size()) * img.GetHeight();
    }

    void ReadRows() {
        const LONG height = static_cast<LONG>(img.GetHeight());
        const LONG covered =
            static_cast<LONG>(std::min<std::uint64_t>(img.GetWidth(), CoveredWidth()));
        for (LONG r = 0; r < height; ++r) {
            if (img.GetEscape()) throw CodecFailure(CodecError::Cancelled);
            FillRow();
            const LONG y = height - 1 - r;
            for (LONG x = 0; x < covered; ++x)
                PutPixel(x, y);
        }
    }

private:
    void FillRow() {
        std::size_t i = 0;
        while (i < row.size()) {
            if (runCount > 0) {
                const std::size_t n = std::min(runCount, row.size() - i);
                std::memset(row.data() + i, runValue, n);
                runCount -= n;
                i += n;
                continue;
            }
            const long code = f.GetC();
            if (code < 0) throw CodecFailure(CodecError::PcxCorrupted);
            if ((code & 0xC0) != 0xC0) {
                row[i++] = static_cast<BYTE>(code);
                --remaining;
                continue;
            }
            runCount = static_cast<std::size_t>(code & 0x3F);
            if (runCount > remaining) throw CodecFailure(CodecError::PcxRepeat);
            const long value = f.GetC();
            if (value < 0) throw CodecFailure(CodecError::PcxCorrupted);
            runValue = static_cast<BYTE>(value);
            remaining -= runCount;
        }
    }

    // Pixels the planes' bytes-per-line reach. Pixels further right (a file
    // whose bytes per line do not fit the width) keep the cleared value
    // Create gave them.
    std::uint64_t CoveredWidth() const {
        if (row.empty()) return 0; // no planes: nothing is read at all
        const std::uint64_t bits = 8 * static_cast<std::uint64_t>(bytesPerLine);
        switch (layout) {
        case Layout::Rgb:
        case Layout::Rgba:
            return bytesPerLine;
        case Layout::Packed:
            return bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8
                       ? bits / bitsPerPixel
                       : 0;
        case Layout::BitPlanes:
            return bits;
        }
        return 0;
    }

    BYTE PlaneByte(int plane, std::size_t i) const {
        return row[static_cast<std::size_t>(plane) * bytesPerLine + i];
    }

    void PutPixel(LONG x, LONG y) {
        const std::size_t ux = static_cast<std::size_t>(x);
        switch (layout) {
        case Layout::Rgba:
            img.AlphaSet(x, y, PlaneByte(3, ux));
            [[fallthrough]];
        case Layout::Rgb:
            img.SetPixelColor(x, y,
                              RGBQUAD{PlaneByte(2, ux), PlaneByte(1, ux), PlaneByte(0, ux), 0});
            return;
        case Layout::Packed:
            img.SetPixelIndex(x, y, PackedIndex(ux));
            return;
        case Layout::BitPlanes:
            img.SetPixelIndex(x, y, PlanarIndex(ux));
            return;
        }
    }

    // Packed pixels of 1, 2, 4 or 8 bits, leftmost in the top bits.
    BYTE PackedIndex(std::size_t x) const {
        const std::size_t perByte = 8 / static_cast<std::size_t>(bitsPerPixel);
        const int shift = 8 - bitsPerPixel * static_cast<int>(x % perByte + 1);
        return static_cast<BYTE>((PlaneByte(0, x / perByte) >> shift) & ((1 << bitsPerPixel) - 1));
    }

    BYTE PlanarIndex(std::size_t x) const {
        BYTE index = 0;
        for (int p = 0; p < planes; ++p) {
            if (PlaneByte(p, x / 8) & (0x80 >> (x % 8))) index |= static_cast<BYTE>(1 << p);
        }
        return index;
    }

    CxImage& img;
    CxFile& f;
    const Layout layout;
    const int bitsPerPixel;
    const int planes;
    const std::size_t bytesPerLine;
    std::vector<BYTE> row;
    std::uint64_t remaining = 0; // bytes of the image not yet decoded or promised to a run
    std::size_t runCount = 0;
    BYTE runValue = 0;
};

// The header's 16-entry map, the 256-colour map after the data for 8-bit
// single-plane files, or black and white for monochrome files. Entries a short
// file does not supply stay black.
void ReadPalette(CxImage& img, CxFile& f, const PcxHeader& h) {
    RGBQUAD pal[256] = {};
    for (int i = 0; i < 16; ++i)
        pal[i] = RGBQUAD{h.colorMap[3 * i + 2], h.colorMap[3 * i + 1], h.colorMap[3 * i], 0};
    if (h.bitsPerPixel == 8 && h.planes == 1) {
        if (f.GetC() != kPaletteSignature) throw CodecFailure(CodecError::PcxColorMap);
        BYTE vga[768] = {};
        f.Read(vga, 1, sizeof vga);
        for (int i = 0; i < 256; ++i)
            pal[i] = RGBQUAD{vga[3 * i + 2], vga[3 * i + 1], vga[3 * i], 0};
    }
    if (h.bitsPerPixel == 1 && h.planes == 1) {
        pal[0] = RGBQUAD{0, 0, 0, 0};
        pal[1] = RGBQUAD{255, 255, 255, 0};
    }
    img.SetPalette(pal, img.GetNumColors());
}

// The fewest run-length bytes that expand to the whole image: two bytes give
// at most 63. A shorter file always ends in "corrupted PCX", so it is refused
// before the image is allocated.
std::uint64_t MinimumDataSize(const PcxHeader& h) {
    const std::uint64_t total =
        static_cast<std::uint64_t>(h.planes) * h.bytesPerLine * Extent(h.yMin, h.yMax);
    return (2 * total + 62) / 63;
}

void DecodePcx(CxImage& img, CxFile& f, const PcxHeader& h) {
    const Layout layout = LayoutOf(h);
    const DWORD width = Extent(h.xMin, h.xMax), height = Extent(h.yMin, h.yMax);
    RequireWithinLimits(width, height, ImageBpp(h, layout));
    if (RemainingBytes(f) < MinimumDataSize(h)) throw CodecFailure(CodecError::PcxCorrupted);
    img.Create(width, height, ImageBpp(h, layout), FORMAT_PCX);
    RequireCreated(img);
    if (layout == Layout::Rgba) img.AlphaCreate();
    if (img.GetEscape()) throw CodecFailure(CodecError::Cancelled);
    PcxReader(img, f, h, layout).ReadRows();
    ReadPalette(img, f, h);
}

// ---- Encoding ----

// Collects encoded bytes and remembers whether every one was stored.
struct ByteSink {
    CxFile& f;
    bool ok = true;
    void Put(BYTE b) { ok = f.PutC(b) && ok; }
};

// Packs one row or plane of byte values into runs of at most 63.
class RunPacker {
public:
    explicit RunPacker(ByteSink& out) : out(out) {}

    void Feed(BYTE v) { Step(v); }

    // Writes the pending run; an odd width also writes the zero pad byte that
    // makes the plane's length even. The next row starts afresh.
    void EndRow(bool oddWidth) {
        Step(oddWidth ? kOddEnd : kEvenEnd);
        pending = 0;
        count = 0;
    }

private:
    static constexpr int kEvenEnd = -1;
    static constexpr int kOddEnd = -2;

    void Step(int v) {
        if (count > 0 && v != pending) {
            if (count == 1 && pending < 0xC0) {
                out.Put(pending);
            } else {
                out.Put(static_cast<BYTE>(0xC0 | count));
                out.Put(pending);
            }
            count = 0;
        }
        if (count == kMaxRun) {
            out.Put(0xFF);
            out.Put(pending);
            count = 0;
        }
        if (v == kOddEnd) out.Put(0);
        pending = static_cast<BYTE>(v);
        ++count;
    }

    ByteSink& out;
    BYTE pending = 0;
    int count = 0;
};

// Packs a whole bit plane: a run header is written when the run is longer
// than 1 or the value itself looks like a header.
void PackPlane(ByteSink& out, const std::vector<BYTE>& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const BYTE v = bytes[i];
        int length = 1;
        while (i + length < bytes.size() && bytes[i + length] == v && length < kMaxRun)
            ++length;
        if (length > 1 || v > 0xBF) out.Put(static_cast<BYTE>(0xC0 | length));
        out.Put(v);
        i += static_cast<std::size_t>(length);
    }
}

int Brightness(RGBQUAD c) {
    return (117 * c.rgbBlue + 601 * c.rgbGreen + 306 * c.rgbRed) >> 10;
}

// Planes red, green, blue (and alpha) of each row, top row first.
void EncodeTrueColourRows(CxImage& img, int planes, ByteSink& out) {
    RunPacker packer(out);
    const LONG width = static_cast<LONG>(img.GetWidth());
    for (LONG y = static_cast<LONG>(img.GetHeight()) - 1; y >= 0; --y) {
        for (int p = 0; p < planes; ++p) {
            for (LONG x = 0; x < width; ++x) {
                const RGBQUAD c = img.GetPixelColor(x, y, false);
                const BYTE channel[4] = {c.rgbRed, c.rgbGreen, c.rgbBlue, img.AlphaGet(x, y)};
                packer.Feed(channel[p]);
            }
            packer.EndRow(width % 2 != 0);
        }
    }
}

void EncodeIndexedRows(CxImage& img, ByteSink& out) {
    RunPacker packer(out);
    const LONG width = static_cast<LONG>(img.GetWidth());
    for (LONG y = static_cast<LONG>(img.GetHeight()) - 1; y >= 0; --y) {
        for (LONG x = 0; x < width; ++x)
            packer.Feed(img.GetPixelIndex(x, y));
        packer.EndRow(width % 2 != 0);
    }
}

// 1- and 4-bit images as bit planes. A monochrome image whose entry 0 is the
// brighter one is written with inverted indices, since readers take the
// header's black-and-white map.
void EncodeBitPlaneRows(CxImage& img, int planes, std::size_t bytesPerLine, ByteSink& out) {
    const LONG width = static_cast<LONG>(img.GetWidth());
    const bool invert = img.GetBpp() == 1 &&
                        Brightness(img.GetPaletteColor(0)) > Brightness(img.GetPaletteColor(1));
    std::vector<BYTE> bytes(bytesPerLine);
    for (LONG y = static_cast<LONG>(img.GetHeight()) - 1; y >= 0; --y) {
        for (int p = 0; p < planes; ++p) {
            std::fill(bytes.begin(), bytes.end(), 0);
            for (LONG x = 0; x < width; ++x) {
                const BYTE index = static_cast<BYTE>(img.GetPixelIndex(x, y) ^ (invert ? 1 : 0));
                if (index & (1 << p)) bytes[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
            PackPlane(out, bytes);
        }
    }
}

// The header of an image, or false when its sizes do not fit the 16-bit fields.
bool MakeHeader(const CxImage& img, PcxHeader& h) {
    const DWORD width = img.GetWidth(), height = img.GetHeight();
    const bool byteSamples = img.GetBpp() >= 8;
    h.manufacturer = kManufacturer;
    h.version = 5;
    h.encoding = kRleEncoding;
    h.bitsPerPixel = byteSamples ? 8 : 1;
    if (byteSamples) {
        h.planes = img.IsIndexed() ? 1 : (img.AlphaIsValid() ? 4 : 3);
    } else {
        h.planes = img.GetNumColors() == 16 ? 4 : 1;
    }
    DWORD bytesPerLine = byteSamples ? width : (width + 7) >> 3;
    bytesPerLine += bytesPerLine & 1;
    if (width - 1 > 0xFFFF || height - 1 > 0xFFFF || bytesPerLine > 0xFFFF) return false;
    h.xMax = static_cast<WORD>(width - 1);
    h.yMax = static_cast<WORD>(height - 1);
    h.hRes = static_cast<WORD>(img.GetXDPI());
    h.vRes = static_cast<WORD>(img.GetYDPI());
    h.bytesPerLine = static_cast<WORD>(bytesPerLine);
    h.paletteInfo = img.GetPalette() ? 0 : 1;
    if (h.bitsPerPixel == 1 && h.planes == 1) {
        std::memset(h.colorMap + 3, 255, 3);
    } else if (h.bitsPerPixel == 1) {
        for (int i = 0; i < 16; ++i) {
            const RGBQUAD c = img.GetPaletteColor(static_cast<BYTE>(i));
            h.colorMap[3 * i] = c.rgbRed;
            h.colorMap[3 * i + 1] = c.rgbGreen;
            h.colorMap[3 * i + 2] = c.rgbBlue;
        }
    }
    return true;
}

bool WriteVgaPalette(const CxImage& img, CxFile& f) {
    BYTE vga[768];
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = img.GetPaletteColor(static_cast<BYTE>(i));
        vga[3 * i] = c.rgbRed;
        vga[3 * i + 1] = c.rgbGreen;
        vga[3 * i + 2] = c.rgbBlue;
    }
    return f.PutC(kPaletteSignature) && f.Write(vga, 1, sizeof vga) == sizeof vga;
}

// Encodes the pixel data into memory and writes it in one piece.
void EncodeData(CxImage& img, const PcxHeader& h, CxFile& f) {
    CxMemFile mem;
    mem.Open();
    ByteSink sink{mem};
    if (h.bitsPerPixel == 1) {
        EncodeBitPlaneRows(img, h.planes, h.bytesPerLine, sink);
    } else if (h.planes == 1) {
        EncodeIndexedRows(img, sink);
    } else {
        EncodeTrueColourRows(img, h.planes, sink);
    }
    const std::size_t size = static_cast<std::size_t>(mem.Size());
    if (!sink.ok || f.Write(mem.GetBuffer(false), 1, size) != size ||
        (h.bitsPerPixel == 8 && h.planes == 1 && !WriteVgaPalette(img, f)))
        throw CodecFailure(CodecError::PcxWriteData);
}

} // namespace

bool CxImagePCX::HasSignature(CxFile* file) {
    BYTE head[3];
    return PeekBytes(*file, head, sizeof head) == sizeof head && head[0] == kManufacturer &&
           head[2] == kRleEncoding;
}

bool CxImagePCX::Decode(CxFile* file) {
    if (!file) return false;
    return RunCodec([&] {
        const PcxHeader h = ReadHeader(*file);
        // Stored as the file gives them: a 0 stays 0.
        info.xDpi = h.hRes;
        info.yDpi = h.vRes;
        DecodePcx(*this, *file, h);
        return true;
    });
}

bool CxImagePCX::Encode(CxFile* file) {
    if (EncodeSafeCheck(file)) return false;
    return RunCodec([&] {
        PcxHeader h;
        if (!MakeHeader(*this, h)) throw CodecFailure(CodecError::PcxTooLarge);
        BYTE raw[kHeaderSize];
        StoreHeader(raw, h);
        if (file->Write(raw, kHeaderSize, 1) == 0) throw CodecFailure(CodecError::PcxWriteHeader);
        EncodeData(*this, h, *file);
        return true;
    });
}
