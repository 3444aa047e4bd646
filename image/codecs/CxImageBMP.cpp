#include "image/codecs/CxImageBMP.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "image/codecs/StreamRemaining.h"
#include "platform/ByteOrder.h"

namespace {

constexpr WORD kBmpMagic = 0x4D42; // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kOs2HeaderSize = 64;
constexpr DWORD kMaskedHeaderSize = 52; // V2 and longer carry red, green and blue masks

// Headers that carry their colour masks and come from published layouts:
// V2 (52), V3 (56), V4 (108) and V5 (124).
bool IsMaskedHeader(DWORD size) {
    return size == 52 || size == 56 || size == 108 || size == 124;
}

// The test the old rule applies to headers of any other length beyond 40.
bool AcceptsUnknownHeader(const BITMAPINFOHEADER& h) {
    if (h.biPlanes != 1 || h.biCompression != BI_RGB || h.biClrUsed != 0) return false;
    std::int64_t bits, row, total;
    if (__builtin_mul_overflow(std::int64_t{h.biBitCount}, std::int64_t{h.biWidth}, &bits))
        return false;
    row = ((bits + 31) / 32) * 4;
    if (__builtin_mul_overflow(std::int64_t{h.biHeight}, row, &total)) return false;
    return total == std::int64_t{h.biSizeImage};
}

BITMAPINFOHEADER CoreToInfo(const BYTE* raw) {
    BITMAPINFOHEADER h{};
    h.biSize = kCoreHeaderSize;
    h.biWidth = GetLE16(raw + 4);
    h.biHeight = GetLE16(raw + 6);
    h.biPlanes = GetLE16(raw + 8);
    h.biBitCount = GetLE16(raw + 10);
    return h;
}

// Fills in what a header may leave 0. The image size is informational only
// (the decoder reads its own row size), so it simply wraps like 32-bit fields.
void CompleteHeader(BITMAPINFOHEADER& h) {
    if (h.biSizeImage == 0) {
        const std::uint64_t rowBits =
            static_cast<std::uint64_t>(std::int64_t{h.biWidth}) * std::uint64_t{h.biBitCount};
        const std::uint64_t rowBytes = ((rowBits + 31) & ~std::uint64_t{31}) / 8;
        h.biSizeImage =
            static_cast<DWORD>(rowBytes * static_cast<std::uint64_t>(std::int64_t{h.biHeight}));
    }
    if (h.biClrUsed == 0 && h.biBitCount <= 8) h.biClrUsed = DWORD{1} << h.biBitCount;
}

LONG PelsPerMeterToDpi(LONG ppm) {
    return static_cast<LONG>(std::floor(ppm * 254.0 / 10000.0 + 0.5));
}

bool IsSupportedBitCount(WORD bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// One colour channel of a bit-field pixel: the bits under the mask, shifted
// so that the field's top bit becomes bit 7.
class Channel {
public:
    explicit Channel(DWORD mask) : mask(mask) {
        if (mask == 0) return;
        shift = __builtin_ctz(mask);
        width = 32 - __builtin_clz(mask) - shift;
    }
    BYTE operator()(DWORD word) const {
        if (mask == 0) return 0;
        const DWORD v = (word & mask) >> shift;
        return static_cast<BYTE>(width >= 8 ? v >> (width - 8) : v << (8 - width));
    }

private:
    DWORD mask;
    int shift = 0;
    int width = 0;
};

} // namespace

bool CxImageBMP::ReadBitmapInfo(CxFile* fh, BITMAPINFOHEADER* pdib, DWORD* masks) {
    if (!fh || !pdib) return false;
    BYTE raw[kInfoHeaderSize] = {};
    if (fh->Read(raw, 4, 1) != 1) return false;
    const DWORD size = GetLE32(raw);
    if (size == kCoreHeaderSize) {
        if (fh->Read(raw + 4, kCoreHeaderSize - 4, 1) != 1) return false;
        *pdib = CoreToInfo(raw);
        CompleteHeader(*pdib);
        return true;
    }
    if (size < kInfoHeaderSize) return false;
    if (fh->Read(raw + 4, kInfoHeaderSize - 4, 1) != 1) return false;
    BITMAPINFOHEADER h = LoadInfoHeader(raw);
    if (IsMaskedHeader(size)) {
        BYTE m[12];
        if (fh->Read(m, sizeof m, 1) != 1) return false;
        if (masks) {
            masks[0] = GetLE32(m);
            masks[1] = GetLE32(m + 4);
            masks[2] = GetLE32(m + 8);
        }
        if (!fh->Seek(static_cast<long>(size - kMaskedHeaderSize), SEEK_CUR)) return false;
    } else if (size != kInfoHeaderSize) {
        if (size != kOs2HeaderSize && !AcceptsUnknownHeader(h)) return false;
        if (!fh->Seek(static_cast<long>(size - kInfoHeaderSize), SEEK_CUR)) return false;
    }
    CompleteHeader(h);
    *pdib = h;
    return true;
}

bool CxImageBMP::HasSignature(CxFile* hFile) {
    BYTE head[4];
    if (PeekBytes(*hFile, head, sizeof head) != sizeof head) return false;
    const DWORD size = GetLE32(head);
    return GetLE16(head) == kBmpMagic || size == kCoreHeaderSize || size == kInfoHeaderSize ||
           size == kOs2HeaderSize || IsMaskedHeader(size);
}

bool CxImageBMP::Decode(CxFile* hFile) {
    if (!hFile) return false;
    return RunCodec([&] {
        DecodeFrom(*hFile);
        return true;
    });
}

void CxImageBMP::DecodeFrom(CxFile& f) {
    start = f.Tell();
    BYTE fileHeader[kFileHeaderSize];
    if (f.Read(fileHeader, kFileHeaderSize, 1) == 0) throw CodecFailure(CodecError::NotBmp);
    offBits = GetLE32(fileHeader + 10);
    if (GetLE16(fileHeader) != kBmpMagic) {
        // A bare DIB: the information header comes first.
        offBits = 0;
        f.Seek(start, SEEK_SET);
    }

    BITMAPINFOHEADER bih;
    DWORD masks[3] = {0, 0, 0};
    if (!ReadBitmapInfo(&f, &bih, masks)) throw CodecFailure(CodecError::BmpInfo);
    const bool core = bih.biSize == kCoreHeaderSize;
    const bool topDown = bih.biHeight < 0;
    // Negated in unsigned arithmetic: INT32_MIN stays out of range for Create.
    const DWORD height =
        topDown ? 0u - static_cast<DWORD>(bih.biHeight) : static_cast<DWORD>(bih.biHeight);

    if (info.escape == -1) {
        header.biWidth = bih.biWidth;
        header.biHeight = static_cast<LONG>(height);
        SetLastError("output dimensions returned");
        return;
    }
    if (!IsSupportedBitCount(bih.biBitCount)) throw CodecFailure(CodecError::BmpBitCount);
    const DWORD width = static_cast<DWORD>(bih.biWidth);
    RequireWithinLimits(width, height, bih.biBitCount);
    // 32-bit rows are read through a work buffer of 4 bytes a pixel.
    if (bih.biBitCount == 32) RequireAllocation(width, height, 4 * std::uint64_t{width} * height);
    if (!Create(width, height, bih.biBitCount, FORMAT_BMP))
        throw CodecFailure(CodecError::BmpNoMemory);

    header.biXPelsPerMeter = bih.biXPelsPerMeter;
    header.biYPelsPerMeter = bih.biYPelsPerMeter;
    info.xDpi = PelsPerMeterToDpi(bih.biXPelsPerMeter);
    info.yDpi = PelsPerMeterToDpi(bih.biYPelsPerMeter);
    if (info.escape) throw CodecFailure(CodecError::Cancelled);
    // The new block is not touched yet (its zeroed pages cost nothing until
    // written), so refusing here is cheap.
    if ((bih.biCompression == BI_RGB || bih.biCompression == BI_BITFIELDS) &&
        !HoldsShareOfPixels(f, std::uint64_t{GetEffWidth()} * height))
        throw CodecFailure(CodecError::BmpTooShort);

    if (IsIndexed()) ReadPalette(f, bih.biClrUsed, core);
    if (info.escape) throw CodecFailure(CodecError::Cancelled);

    ReadPixels(f, bih, masks, IsMaskedHeader(bih.biSize));
    if (topDown && !Flip()) throw CodecFailure(CodecError::BmpNoMemory);
}

void CxImageBMP::ReadPalette(CxFile& f, DWORD fileEntries, bool core) {
    const std::size_t entrySize = core ? 3 : 4;
    const DWORD kept = std::min(fileEntries, GetNumColors());
    BYTE raw[256 * 4];
    const std::size_t got = f.Read(raw, entrySize, kept);
    RGBQUAD* pal = GetPalette();
    for (std::size_t i = 0; i < got; ++i) {
        const BYTE* e = raw + i * entrySize;
        pal[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    // Entries beyond the image's palette are skipped; a bare DIB's pixels follow them.
    const std::uint64_t skipped = std::uint64_t{fileEntries - kept} * entrySize;
    if (skipped) f.Seek(static_cast<long>(skipped), SEEK_CUR);
}

void CxImageBMP::SeekToData(CxFile& f) {
    if (offBits) f.Seek(start + static_cast<long>(offBits), SEEK_SET);
}

// Reads up to `bytes` bytes into the pixel rows. Create hands out zeroed
// rows, so whatever a short file does not supply stays 0.
void CxImageBMP::ReadIntoRows(CxFile& f, std::size_t bytes) {
    f.Read(info.pixels, 1, std::min<std::size_t>(bytes, header.biSizeImage));
}

void CxImageBMP::ReadPixels(CxFile& f, const BITMAPINFOHEADER& bih, const DWORD* headerMasks,
                            bool headerHasMasks) {
    switch (bih.biBitCount) {
    case 1:
    case 4:
    case 8:
        if (bih.biCompression != BI_RGB && bih.biCompression != BI_RLE8 &&
            bih.biCompression != BI_RLE4)
            throw CodecFailure(CodecError::BmpCompression);
        SeekToData(f);
        if (bih.biCompression == BI_RGB) ReadIntoRows(f, header.biSizeImage);
        if (bih.biCompression == BI_RLE8) DecodeRLE8(f);
        if (bih.biCompression == BI_RLE4) DecodeRLE4(f);
        break;
    case 24:
        if (bih.biCompression != BI_RGB) throw CodecFailure(CodecError::BmpUnknownCompression);
        SeekToData(f);
        ReadIntoRows(f, header.biSizeImage);
        break;
    default:
        ReadBitfields(f, bih, headerMasks, headerHasMasks);
        break;
    }
}

// 16- and 32-bit data. BI_BITFIELDS takes its masks from a V2+ header, else
// from the 12 bytes after the header; otherwise the default layouts apply
// (5-5-5 at 16 bits, blue-green-red-unused bytes at 32).
void CxImageBMP::ReadBitfields(CxFile& f, const BITMAPINFOHEADER& bih, const DWORD* headerMasks,
                               bool headerHasMasks) {
    const bool depth16 = bih.biBitCount == 16;
    if (!depth16 && bih.biCompression != BI_RGB && bih.biCompression != BI_BITFIELDS)
        throw CodecFailure(CodecError::BmpUnknownCompression);
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (!depth16) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (bih.biCompression == BI_BITFIELDS) {
        if (headerHasMasks) {
            std::copy(headerMasks, headerMasks + 3, masks);
        } else {
            masks[0] = masks[1] = masks[2] = 0;
            ReadLE32(f, masks[0]) && ReadLE32(f, masks[1]) && ReadLE32(f, masks[2]);
        }
    }
    SeekToData(f);
    const std::size_t width = GetWidth(), height = GetHeight();
    if (depth16) {
        ReadIntoRows(f, height * (((width + 1) / 2) * 4));
        Bitfield2RGB(info.pixels, masks[0] & 0xFFFF, masks[1] & 0xFFFF, masks[2] & 0xFFFF, 16);
        return;
    }
    std::unique_ptr<BYTE, decltype(&std::free)> work(
        static_cast<BYTE*>(std::calloc(height, 4 * width)), &std::free);
    if (!work) throw CodecFailure(CodecError::BmpNoWorkBuffer);
    f.Read(work.get(), 1, 4 * width * height);
    Bitfield2RGB(work.get(), masks[0], masks[1], masks[2], 32);
}

void CxImageBMP::Bitfield2RGB(const BYTE* src, DWORD redmask, DWORD greenmask, DWORD bluemask,
                              int bpp) {
    if (!dib || header.biBitCount != 24 || (bpp != 16 && bpp != 32)) return;
    const Channel red(redmask), green(greenmask), blue(bluemask);
    const std::size_t width = GetWidth(), height = GetHeight(), eff = info.effWidth;
    const std::size_t srcStride = bpp == 16 ? ((width + 1) / 2) * 4 : 4 * width;
    // Top row first and last pixel first: every source byte is read before
    // the wider 24-bit result can reach it.
    for (std::size_t y = height; y-- > 0;) {
        const BYTE* srcRow = src + y * srcStride;
        BYTE* dst = info.pixels + y * eff;
        for (std::size_t x = width; x-- > 0;) {
            const DWORD w = bpp == 16 ? GetLE16(srcRow + 2 * x) : GetLE32(srcRow + 4 * x);
            dst[3 * x] = blue(w);
            dst[3 * x + 1] = green(w);
            dst[3 * x + 2] = red(w);
        }
        std::fill(dst + 3 * width, dst + eff, BYTE{0});
    }
}

namespace {

// The run-length decoders' view of the pixel rows: a selected row and
// byte-wise stores that never leave the block.
class RleRows {
public:
    RleRows(BYTE* pixels, std::uint64_t size, std::uint64_t effWidth, std::uint64_t height)
        : pixels(pixels), size(size), effWidth(effWidth), height(height) {}

    // Rows 0 to height may be selected (height addresses nothing); any other
    // row number keeps the current row.
    void Select(std::int64_t row) {
        if (row >= 0 && static_cast<std::uint64_t>(row) <= height)
            rowStart = static_cast<std::uint64_t>(row) * effWidth;
    }
    void Store(std::uint64_t x, BYTE v) {
        if (x < size - rowStart) pixels[rowStart + x] = v;
    }
    // Writes one 4-bit pixel; a high nibble replaces the whole byte.
    void StoreNibble(std::uint64_t pixel, BYTE nibble) {
        const std::uint64_t x = pixel / 2;
        if (x >= size - rowStart) return;
        BYTE& b = pixels[rowStart + x];
        b = (pixel & 1) ? static_cast<BYTE>(b | nibble) : static_cast<BYTE>(nibble << 4);
    }
    std::uint64_t EffWidth() const { return effWidth; }

private:
    BYTE* pixels;
    std::uint64_t size;
    std::uint64_t effWidth;
    std::uint64_t height;
    std::uint64_t rowStart = 0;
};

} // namespace

namespace {

// Where a run-length stream writes next: a row number and a column (bytes
// for RLE8, pixels for RLE4).
struct RlePosition {
    std::int64_t row = 0;
    std::uint64_t x = 0;
};

// Walks a run-length stream: each encoded run (count, value) goes to `run`,
// the count of each absolute run to `absolute`, which reads its own data; end
// of line and delta move `pos`. Ends at the end-of-bitmap code, at the end of
// the stream, or when a callback returns false.
template <class Run, class Absolute>
void WalkRleStream(CxFile& f, RlePosition& pos, Run run, Absolute absolute) {
    BYTE c = 0, d = 0, v = 0, dx = 0, dy = 0;
    while (ReadByte(f, c)) {
        if (c > 0) {
            if (!ReadByte(f, v) || !run(c, v)) return;
        } else if (!ReadByte(f, d) || d == 1) {
            return;
        } else if (d == 0) {
            pos.x = 0, ++pos.row;
        } else if (d == 2) {
            if (!ReadByte(f, dx) || !ReadByte(f, dy)) return;
            pos.x += dx, pos.row += dy;
        } else if (!absolute(d)) {
            return;
        }
    }
}

// Pixel i of a run takes the high nibble of its byte when i is even.
BYTE NibbleOf(BYTE v, int i) {
    return (i & 1) ? (v & 0x0F) : (v >> 4);
}

} // namespace

// BI_RLE8. A run that passes the end of its row ends the decoding; an
// absolute run may continue into the next row (never past the block).
void CxImageBMP::DecodeRLE8(CxFile& f) {
    RleRows rows(info.pixels, header.biSizeImage, info.effWidth, GetHeight());
    RlePosition pos;
    const auto run = [&](BYTE count, BYTE value) {
        rows.Select(pos.row);
        for (int i = 0; i < count; ++i, ++pos.x) {
            if (pos.x >= rows.EffWidth()) return false;
            rows.Store(pos.x, value);
        }
        return true;
    };
    const auto absolute = [&](BYTE count) {
        rows.Select(pos.row);
        BYTE v = 0;
        for (int i = 0; i < count; ++i) {
            if (!ReadByte(f, v)) return false;
            rows.Store(pos.x + i, v);
        }
        pos.x += count;
        return !(count & 1) || ReadByte(f, v); // padding to a whole word
    };
    WalkRleStream(f, pos, run, absolute);
}

// BI_RLE4 as published: an encoded run alternates the high and low nibble of
// its value, an absolute run takes its pixels' nibbles in stream order from
// (count + 1) / 2 bytes padded to a whole word, and a delta moves by pixels.
void CxImageBMP::DecodeRLE4(CxFile& f) {
    RleRows rows(info.pixels, header.biSizeImage, info.effWidth, GetHeight());
    RlePosition pos;
    const auto run = [&](BYTE count, BYTE value) {
        rows.Select(pos.row);
        for (int i = 0; i < count; ++i)
            rows.StoreNibble(pos.x++, NibbleOf(value, i));
        return true;
    };
    const auto absolute = [&](BYTE count) {
        rows.Select(pos.row);
        BYTE v = 0;
        for (int i = 0; i < count; ++i) {
            if (!(i & 1) && !ReadByte(f, v)) return false;
            rows.StoreNibble(pos.x++, NibbleOf(v, i));
        }
        return !(((count + 1) / 2) & 1) || ReadByte(f, v);
    };
    WalkRleStream(f, pos, run, absolute);
}

bool CxImageBMP::Encode(CxFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    BYTE fileHeader[kFileHeaderSize] = {};
    PutLE16(fileHeader, kBmpMagic);
    PutLE32(fileHeader + 2, GetSize() + kFileHeaderSize);
    PutLE32(fileHeader + 10, header.biSize + GetPaletteSize() + kFileHeaderSize);
    // The block's own header takes the current resolution and colour counts.
    StoreInfoHeader(dib, header);
    return RunCodec([&] {
        if (hFile->Write(fileHeader, kFileHeaderSize, 1) != 1 ||
            hFile->Write(dib, GetSize(), 1) != 1)
            throw CodecFailure(CodecError::BmpWrite);
        return true;
    });
}
