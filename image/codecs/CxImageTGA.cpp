// TGA decoding and encoding. Colour-map entries are always 3 bytes (blue,
// green, red); the first-entry field and the origin fields are not used.
#include "image/codecs/CxImageTGA.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "image/codecs/StreamRemaining.h"
#include "platform/ByteOrder.h"

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr DWORD kMaxColorMapLength = 256;
constexpr BYTE kNoLeftover = 255;
// The last 18 bytes of a TGA 2.0 file, after the extension and developer
// area offsets of its footer.
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";

struct TgaHeader {
    BYTE idLength = 0;
    BYTE colorMapType = 0;
    BYTE imageType = 0;
    WORD colorMapFirst = 0;
    WORD colorMapLength = 0;
    BYTE colorMapEntrySize = 0;
    WORD xOrigin = 0;
    WORD yOrigin = 0;
    WORD width = 0;
    WORD height = 0;
    BYTE pixelDepth = 0;
    BYTE descriptor = 0;
};

TgaHeader ParseHeader(const BYTE* p) {
    TgaHeader h;
    h.idLength = p[0];
    h.colorMapType = p[1];
    h.imageType = p[2];
    h.colorMapFirst = GetLE16(p + 3);
    h.colorMapLength = GetLE16(p + 5);
    h.colorMapEntrySize = p[7];
    h.xOrigin = GetLE16(p + 8);
    h.yOrigin = GetLE16(p + 10);
    h.width = GetLE16(p + 12);
    h.height = GetLE16(p + 14);
    h.pixelDepth = p[16];
    h.descriptor = p[17];
    return h;
}

void StoreHeader(BYTE* p, const TgaHeader& h) {
    p[0] = h.idLength;
    p[1] = h.colorMapType;
    p[2] = h.imageType;
    PutLE16(p + 3, h.colorMapFirst);
    PutLE16(p + 5, h.colorMapLength);
    p[7] = h.colorMapEntrySize;
    PutLE16(p + 8, h.xOrigin);
    PutLE16(p + 10, h.yOrigin);
    PutLE16(p + 12, h.width);
    PutLE16(p + 14, h.height);
    p[16] = h.pixelDepth;
    p[17] = h.descriptor;
}

bool IsCompressed(BYTE imageType) {
    return imageType >= 9 && imageType <= 11;
}

bool IsKnownType(BYTE imageType) {
    return (imageType >= 1 && imageType <= 3) || IsCompressed(imageType);
}

bool IsKnownDepth(BYTE depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

// True when the stream has no byte left; the same answer for files and
// memory blocks (stdio only reports the end after a read has hit it).
bool AtEnd(CxFile& f) {
    if (f.GetC() < 0) return true;
    f.Seek(-1, SEEK_CUR);
    return false;
}

// Expands the pixel rows of one file into the image. The pixel values of the
// file (1 to 4 bytes by depth) are read into a scratch buffer that is cleared
// first, so pixels a short file does not supply come out black.
class TgaReader {
public:
    TgaReader(CxImage& img, CxFile& f, const TgaHeader& h)
        : img(img), f(f), h(h), bytesPerPixel((h.pixelDepth + 7) / 8) {}

    void ReadRows() {
        const bool yReversed = (h.descriptor & 0x20) != 0;
        for (LONG r = 0; r < h.height; ++r) {
            if (img.GetEscape()) throw CodecFailure(CodecError::Cancelled);
            if (AtEnd(f)) throw CodecFailure(CodecError::TgaCorrupted);
            const LONG y = yReversed ? h.height - 1 - r : r;
            if (IsCompressed(h.imageType)) {
                ExpandPackets(y);
            } else {
                ReadPixels(0, h.width, y);
            }
        }
    }

private:
    // Run and raw packets; a packet that crosses the end of the row carries
    // its remaining count into the next row through `leftover`.
    void ExpandPackets(LONG y) {
        for (LONG x = 0; x < h.width;) {
            BYTE header = leftover;
            leftover = kNoLeftover;
            if (header == kNoLeftover && !ReadByte(f, header)) return;
            LONG n = (header & 0x80) ? header - 127 : header + 1;
            const bool crosses = x + n > h.width;
            if (crosses) {
                leftover = static_cast<BYTE>(header + x - h.width);
                n = h.width - x;
            }
            if (header & 0x80) {
                // The next row repeats the same value: read it again there.
                const long valuePos = f.Tell();
                ReadRun(x, n, y);
                if (crosses) f.Seek(valuePos, SEEK_SET);
            } else {
                ReadPixels(x, n, y);
            }
            x += n;
        }
    }

    void ReadRun(LONG x, LONG n, LONG y) {
        BYTE value[4] = {0, 0, 0, 0};
        f.Read(value, 1, bytesPerPixel);
        for (LONG i = 0; i < n; ++i)
            PutPixel(x + i, y, value);
    }

    void ReadPixels(LONG x, LONG n, LONG y) {
        const std::size_t size = static_cast<std::size_t>(n) * bytesPerPixel;
        scratch.assign(size, 0);
        f.Read(scratch.data(), 1, size);
        for (LONG i = 0; i < n; ++i)
            PutPixel(x + i, y, scratch.data() + static_cast<std::size_t>(i) * bytesPerPixel);
    }

    void PutPixel(LONG x, LONG y, const BYTE* v) {
        BYTE* row = img.GetBits(static_cast<DWORD>(y));
        switch (h.pixelDepth) {
        case 8:
            row[x] = v[0];
            return;
        case 15:
        case 16: {
            const WORD p = GetLE16(v);
            SetBgr(row, x, static_cast<BYTE>((p & 0x1F) << 3), static_cast<BYTE>((p >> 2) & 0xF8),
                   static_cast<BYTE>((p >> 7) & 0xF8));
            return;
        }
        case 32:
            img.AlphaSet(x, y, v[3]);
            [[fallthrough]];
        default:
            SetBgr(row, x, v[0], v[1], v[2]);
            return;
        }
    }

    static void SetBgr(BYTE* row, LONG x, BYTE blue, BYTE green, BYTE red) {
        BYTE* p = row + 3 * static_cast<std::size_t>(x);
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    }

    CxImage& img;
    CxFile& f;
    const TgaHeader& h;
    const std::size_t bytesPerPixel;
    BYTE leftover = kNoLeftover;
    std::vector<BYTE> scratch;
};

TgaHeader ReadHeader(CxFile& f) {
    BYTE raw[kHeaderSize];
    if (f.Read(raw, kHeaderSize, 1) == 0) throw CodecFailure(CodecError::NotTga);
    const TgaHeader h = ParseHeader(raw);
    if (!IsKnownType(h.imageType)) throw CodecFailure(CodecError::TgaType);
    if (h.width == 0 || h.height == 0 || h.pixelDepth == 0 ||
        h.colorMapLength > kMaxColorMapLength || !IsKnownDepth(h.pixelDepth))
        throw CodecFailure(CodecError::TgaHeader);
    return h;
}

// Entries the file does not hold keep the cleared palette of Create.
void ReadColorMap(CxImage& img, CxFile& f, const TgaHeader& h) {
    BYTE map[3 * kMaxColorMapLength];
    const std::size_t entries = f.Read(map, 3, h.colorMapLength);
    for (std::size_t i = 0; i < entries; ++i) {
        img.SetPaletteColor(static_cast<BYTE>(i), map[3 * i + 2], map[3 * i + 1], map[3 * i], 0);
    }
}

// The fewest bytes after the header with which every row can start inside
// the file: rows 0 to height - 2 whole (a packet covers at most 128 pixels
// with one header and one value) and a first byte for the last row. A shorter
// file always ends in "corrupted TGA", so it is refused before the image is
// allocated.
std::uint64_t MinimumDataSize(const TgaHeader& h) {
    const std::uint64_t bytesPerPixel = (h.pixelDepth + 7) / 8;
    const std::uint64_t leading = static_cast<std::uint64_t>(h.height - 1) * h.width;
    std::uint64_t rows = leading * bytesPerPixel + 1;
    if (IsCompressed(h.imageType))
        rows = std::max<std::uint64_t>((leading + 127) / 128 * (1 + bytesPerPixel), 1);
    const std::uint64_t colorMap = h.colorMapType != 0 ? 3 * h.colorMapLength : 0;
    return h.idLength + colorMap + rows;
}

void DecodeTga(CxImage& img, CxFile& f) {
    const TgaHeader h = ReadHeader(f);
    RequireWithinLimits(h.width, h.height, h.pixelDepth);
    if (RemainingBytes(f) < MinimumDataSize(h)) throw CodecFailure(CodecError::TgaCorrupted);
    if (h.idLength > 0) f.Seek(h.idLength, SEEK_CUR);
    img.Create(h.width, h.height, h.pixelDepth, FORMAT_TGA);
    if (h.pixelDepth == 32) img.AlphaCreate();
    if (!img.IsValid()) throw CodecFailure(CodecError::TgaCreate);
    if (img.GetEscape()) throw CodecFailure(CodecError::Cancelled);
    if (h.colorMapType != 0) ReadColorMap(img, f, h);
    if (h.imageType == 3 || h.imageType == 11) img.SetGrayPalette();
    TgaReader(img, f, h).ReadRows();
    if ((h.descriptor & 0x10) && !img.Mirror()) throw CodecFailure(CodecError::TgaCreate);
}

bool WriteAll(CxFile& f, const void* data, std::size_t size) {
    return size == 0 || f.Write(data, 1, size) == size;
}

bool WriteColorMap(CxImage& img, CxFile& f) {
    BYTE map[3 * 256];
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = img.GetPaletteColor(static_cast<BYTE>(i));
        map[3 * i] = c.rgbBlue;
        map[3 * i + 1] = c.rgbGreen;
        map[3 * i + 2] = c.rgbRed;
    }
    return WriteAll(f, map, sizeof map);
}

// Blue, green, red and the alpha scaled by alphaMax, bottom row first.
bool WriteRowsWithAlpha(CxImage& img, CxFile& f, BYTE alphaMax) {
    const LONG width = static_cast<LONG>(img.GetWidth());
    std::vector<BYTE> row(4 * static_cast<std::size_t>(width));
    for (LONG y = 0; y < static_cast<LONG>(img.GetHeight()); ++y) {
        for (LONG x = 0; x < width; ++x) {
            const RGBQUAD c = img.GetPixelColor(x, y, false);
            BYTE* p = row.data() + 4 * static_cast<std::size_t>(x);
            p[0] = c.rgbBlue;
            p[1] = c.rgbGreen;
            p[2] = c.rgbRed;
            p[3] = static_cast<BYTE>(img.AlphaGet(x, y) * alphaMax / 255);
        }
        if (!WriteAll(f, row.data(), row.size())) return false;
    }
    return true;
}

// The stored rows without their padding, bottom row first.
bool WriteRows(CxImage& img, CxFile& f) {
    const std::size_t rowBytes = static_cast<std::size_t>(img.GetWidth()) * (img.GetBpp() / 8);
    for (DWORD y = 0; y < img.GetHeight(); ++y) {
        if (!WriteAll(f, img.GetBits(y), rowBytes)) return false;
    }
    return true;
}

} // namespace

bool CxImageTGA::HasSignature(CxFile* file) {
    const long pos = file->Tell(), size = file->Size();
    BYTE tail[sizeof kFooterSignature];
    if (pos < 0 || size - pos < static_cast<long>(kHeaderSize + sizeof tail)) return false;
    const bool read = file->Seek(size - static_cast<long>(sizeof tail), SEEK_SET) &&
                      file->Read(tail, 1, sizeof tail) == sizeof tail;
    file->Seek(pos, SEEK_SET);
    return read && std::memcmp(tail, kFooterSignature, sizeof tail) == 0;
}

bool CxImageTGA::Decode(CxFile* file) {
    if (!file) return false;
    return RunCodec([&] {
        DecodeTga(*this, *file);
        return true;
    });
}

bool CxImageTGA::Encode(CxFile* file) {
    if (EncodeSafeCheck(file)) return false;
    return RunCodec([&] {
        EncodeTo(*file);
        return true;
    });
}

void CxImageTGA::EncodeTo(CxFile& f) {
    if (GetBpp() < 8) throw CodecFailure(CodecError::TgaDepth);
    // The header holds 16-bit sizes; a larger image cannot be described.
    if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF) throw CodecFailure(CodecError::TgaTooLarge);
    const bool indexed = GetBpp() == 8;
    const bool withAlpha = !indexed && AlphaIsValid();
    TgaHeader h;
    h.colorMapType = GetPalette() ? 1 : 0;
    h.imageType = indexed ? 1 : 2;
    h.colorMapLength = indexed ? 256 : 0;
    h.colorMapEntrySize = indexed ? 24 : 0;
    h.width = static_cast<WORD>(GetWidth());
    h.height = static_cast<WORD>(GetHeight());
    h.pixelDepth = static_cast<BYTE>(withAlpha ? 32 : GetBpp());
    BYTE raw[kHeaderSize];
    StoreHeader(raw, h);

    const bool ok = WriteAll(f, raw, kHeaderSize) && (!indexed || WriteColorMap(*this, f)) &&
                    (withAlpha ? WriteRowsWithAlpha(*this, f, info.alphaMax) : WriteRows(*this, f));
    if (!ok) throw CodecFailure(CodecError::TgaWrite);
}
