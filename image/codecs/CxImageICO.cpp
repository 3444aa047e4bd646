// ICO/CUR decoding and encoding. A file is a 6-byte header, a directory of
// 16-byte entries, and per image a DIB: info header, palette, XOR bitmap
// (bottom-up rows) and a 1-bit AND mask (1 = transparent).
#include "image/codecs/CxImageICO.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "platform/ByteOrder.h"

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr WORD kTypeIcon = 1;
constexpr WORD kTypeCursor = 2;
constexpr DWORD kMaxEncodedSize = 255;
constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct IconEntry {
    DWORD width = 0;
    DWORD height = 0;
    DWORD offset = 0;
};

std::size_t MaskRowBytes(DWORD width) {
    return ((static_cast<std::size_t>(width) + 31) / 32) * 4;
}

// A size byte of 0 stands for 256.
DWORD EntrySize(BYTE b) {
    return b == 0 ? 256 : b;
}

// Reads the directory up to the entry of `frame` and keeps that entry; false
// when the directory holds no such entry or is cut short before it.
bool ReadEntry(CxFile& f, WORD count, LONG frame, IconEntry& entry) {
    if (frame < 0 || frame >= count) return false;
    BYTE raw[kEntrySize];
    for (LONG i = 0; i <= frame; ++i) {
        if (f.Read(raw, 1, kEntrySize) != kEntrySize) return false;
    }
    entry = IconEntry{EntrySize(raw[0]), EntrySize(raw[1]), GetLE32(raw + 12)};
    return true;
}

bool IsSupportedDepth(WORD bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

// The palette of the image's own size (2, 16 or 256 entries), as stored.
void ReadPalette(CxImage& img, CxFile& f) {
    const DWORD n = img.GetNumColors();
    if (n == 0) return;
    BYTE raw[4 * 256] = {};
    f.Read(raw, 4, n);
    RGBQUAD pal[256];
    for (DWORD i = 0; i < n; ++i)
        pal[i] = RGBQUAD{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2], raw[4 * i + 3]};
    img.SetPalette(pal, n);
}

// 32-bit rows go to the pixel rows and the alpha plane; other depths have the
// image's own row layout and are read straight in. Bytes a short file does not
// supply stay cleared.
void ReadXorBitmap(CxImage& img, CxFile& f, WORD bitCount) {
    if (bitCount != 32) {
        f.Read(img.GetBits(), 1, img.GetEffWidth() * img.GetHeight());
        return;
    }
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    std::vector<BYTE> raw(4 * static_cast<std::size_t>(width) * height, 0);
    f.Read(raw.data(), 1, raw.size());
    img.AlphaCreate();
    const BYTE* p = raw.data();
    for (LONG y = 0; y < height; ++y) {
        BYTE* row = img.GetBits(static_cast<DWORD>(y));
        for (LONG x = 0; x < width; ++x, p += 4) {
            std::memcpy(row + 3 * static_cast<std::size_t>(x), p, 3);
            img.AlphaSet(x, y, p[3]);
        }
    }
}

class MaskView {
public:
    MaskView(const std::vector<BYTE>& bits, DWORD width)
        : bits(bits), rowBytes(MaskRowBytes(width)) {}
    bool IsSet(LONG x, LONG y) const {
        const std::size_t i =
            static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) / 8;
        return (bits[i] & (0x80 >> (x % 8))) != 0;
    }

private:
    const std::vector<BYTE>& bits;
    const std::size_t rowBytes;
};

// Calls visit (x, y) for every masked pixel, rows from the bottom.
template <class Visit>
void ForEachMasked(const CxImage& img, const MaskView& mask, Visit visit) {
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            if (mask.IsSet(x, y)) visit(x, y);
}

// When every masked pixel has one colour, that colour becomes the
// transparent colour instead of the alpha plane.
void UseTransparentColour(CxImage& img, const MaskView& mask) {
    bool first = true, same = true;
    RGBQUAD colour{};
    ForEachMasked(img, mask, [&](LONG x, LONG y) {
        const RGBQUAD c = img.GetPixelColor(x, y, false);
        if (first) colour = c;
        same = same && c == colour;
        first = false;
    });
    if (first || !same) return;
    img.SetTransColor(colour);
    img.SetTransIndex(0);
    img.AlphaDelete();
}

// The lowest palette index no pixel uses becomes the transparent index and
// is given to the masked pixels; with every index in use the alpha plane stays.
void UseTransparentIndex(CxImage& img, const MaskView& mask) {
    bool used[256] = {};
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            used[img.GetPixelIndex(x, y)] = true;
    DWORD unused = 0;
    while (unused < img.GetNumColors() && used[unused])
        ++unused;
    if (unused == img.GetNumColors()) return;
    long changed = 0;
    ForEachMasked(img, mask, [&](LONG x, LONG y) {
        img.SetPixelIndex(x, y, static_cast<BYTE>(unused));
        ++changed;
    });
    if (changed > 0) img.SetTransIndex(static_cast<LONG>(unused));
    img.AlphaDelete();
}

void ApplyMask(CxImage& img, const std::vector<BYTE>& bits, WORD bitCount) {
    bool allSet = true;
    for (BYTE b : bits)
        allSet = allSet && b == 0xFF;
    if (allSet) {
        img.SetTransIndex(0);
        img.Negative();
        return;
    }
    const MaskView mask(bits, img.GetWidth());
    bool keep = img.AlphaIsValid();
    img.AlphaCreate();
    ForEachMasked(img, mask, [&](LONG x, LONG y) {
        img.AlphaSet(x, y, 0);
        keep = true;
    });
    if (!keep) img.AlphaDelete();
    if (bitCount == 24) {
        UseTransparentColour(img, mask);
    } else if (bitCount <= 8) {
        UseTransparentIndex(img, mask);
    }
}

// Reserved 0 and type icon or cursor.
bool IsIconHeader(const BYTE* header) {
    const WORD type = GetLE16(header + 2);
    return GetLE16(header) == 0 && (type == kTypeIcon || type == kTypeCursor);
}

bool IsPng(const BYTE* header) {
    return std::memcmp(header, kPngSignature, sizeof kPngSignature) == 0;
}

bool WriteAll(CxFile& f, const void* data, std::size_t size) {
    return size == 0 || f.Write(data, 1, size) == size;
}

void StoreEntry(BYTE* p, const CxImage& img, WORD bitCount, DWORD resourceSize) {
    std::memset(p, 0, kEntrySize);
    p[0] = static_cast<BYTE>(img.GetWidth());
    p[1] = static_cast<BYTE>(img.GetHeight());
    p[2] = static_cast<BYTE>(img.GetNumColors());
    PutLE16(p + 6, bitCount);
    PutLE32(p + 8, resourceSize);
    PutLE32(p + 12, static_cast<DWORD>(kHeaderSize + kEntrySize));
}

// The XOR and AND bitmaps together: twice the height.
void StoreInfoHeaderFor(BYTE* p, const CxImage& img, WORD bitCount, DWORD xorSize) {
    BITMAPINFOHEADER h{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = static_cast<LONG>(img.GetWidth());
    h.biHeight = static_cast<LONG>(img.GetHeight() * 2);
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = BI_RGB;
    h.biSizeImage = xorSize;
    StoreInfoHeader(p, h);
}

bool WriteXorBitmap(CxImage& img, CxFile& f, bool withAlpha) {
    if (!withAlpha) return WriteAll(f, img.GetBits(), img.GetEffWidth() * img.GetHeight());
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    std::vector<BYTE> raw(4 * static_cast<std::size_t>(width) * height);
    BYTE* p = raw.data();
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x, p += 4) {
            std::memcpy(p, img.GetBits(static_cast<DWORD>(y)) + 3 * static_cast<std::size_t>(x), 3);
            p[3] = img.AlphaGet(x, y);
        }
    }
    return WriteAll(f, raw.data(), raw.size());
}

// A pixel is transparent when its alpha is 0 (alpha plane or palette alpha)
// or when it has the transparent colour.
bool WriteMask(CxImage& img, CxFile& f) {
    const LONG width = static_cast<LONG>(img.GetWidth()),
               height = static_cast<LONG>(img.GetHeight());
    const std::size_t rowBytes = MaskRowBytes(img.GetWidth());
    std::vector<BYTE> bits(rowBytes * static_cast<std::size_t>(height), 0);
    const bool paletteAlpha = img.AlphaPaletteIsValid();
    const bool transparent = img.GetTransIndex() != -1;
    const RGBQUAD transColour = img.GetTransColor();
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            const bool masked = (img.AlphaIsValid() && img.AlphaGet(x, y) == 0) ||
                                (paletteAlpha && img.GetPixelColor(x, y, true).rgbReserved == 0) ||
                                (transparent && img.GetPixelColor(x, y, false) == transColour);
            if (masked) bits[static_cast<std::size_t>(y) * rowBytes + x / 8] |= 0x80 >> (x % 8);
        }
    }
    return WriteAll(f, bits.data(), bits.size());
}

} // namespace

bool CxImageICO::HasSignature(CxFile* file) {
    BYTE header[kHeaderSize];
    return PeekBytes(*file, header, kHeaderSize) == kHeaderSize && IsIconHeader(header) &&
           GetLE16(header + 4) > 0;
}

bool CxImageICO::Decode(CxFile* file) {
    if (!file) return false;
    return RunCodec([&] { return DecodeFrom(*file); });
}

// Refusals other than the PNG entry and the limits give no message.
bool CxImageICO::DecodeFrom(CxFile& f) {
    const long start = f.Tell();
    BYTE header[kHeaderSize];
    if (f.Read(header, 1, kHeaderSize) != kHeaderSize || !IsIconHeader(header)) return false;
    const WORD count = GetLE16(header + 4);
    info.numFrames = count;
    IconEntry entry;
    if (!ReadEntry(f, count, info.frame, entry)) return false;
    if (!f.Seek(start + static_cast<long>(entry.offset), SEEK_SET)) return false;

    BYTE raw[kInfoHeaderSize];
    if (f.Read(raw, 1, kInfoHeaderSize) != kInfoHeaderSize) return false;
    if (IsPng(raw)) throw CodecFailure(CodecError::IcoPng);
    const BITMAPINFOHEADER dib = LoadInfoHeader(raw);
    if (!IsSupportedDepth(dib.biBitCount) || dib.biCompression != BI_RGB) return false;
    // A longer (V4 or V5) header is followed by the palette all the same.
    if (dib.biSize > kInfoHeaderSize &&
        !f.Seek(static_cast<long>(dib.biSize - kInfoHeaderSize), SEEK_CUR))
        return false;
    RequireWithinLimits(entry.width, entry.height, dib.biBitCount);
    // 32-bit rows are read whole before they are split into colour and alpha.
    if (dib.biBitCount == 32)
        RequireAllocation(entry.width, entry.height, 4 * std::uint64_t{entry.width} * entry.height);
    if (!Create(entry.width, entry.height, dib.biBitCount, FORMAT_ICO)) return false;
    ReadPalette(*this, f);
    ReadXorBitmap(*this, f, dib.biBitCount);

    // Without its mask the image is kept as it is, with no transparency.
    std::vector<BYTE> mask(MaskRowBytes(entry.width) * entry.height);
    if (f.Read(mask.data(), 1, mask.size()) == mask.size()) ApplyMask(*this, mask, dib.biBitCount);
    return true;
}

bool CxImageICO::Encode(CxFile* file) {
    if (EncodeSafeCheck(file)) return false;
    return RunCodec([&] { return EncodeTo(*file); });
}

// Only the size refusal and a failed write give a message.
bool CxImageICO::EncodeTo(CxFile& f) {
    if (GetWidth() > kMaxEncodedSize || GetHeight() > kMaxEncodedSize)
        throw CodecFailure(CodecError::IcoCannotSave);
    if (GetBpp() <= 8 && !GetPalette()) return false;
    const bool withAlpha = !IsIndexed() && AlphaIsValid();
    const WORD bitCount = withAlpha ? 32 : GetBpp();
    const DWORD xorSize = withAlpha ? 4 * GetWidth() * GetHeight() : GetEffWidth() * GetHeight();
    const DWORD maskSize = static_cast<DWORD>(MaskRowBytes(GetWidth()) * GetHeight());

    BYTE head[kHeaderSize + kEntrySize + kInfoHeaderSize];
    PutLE16(head, 0);
    PutLE16(head + 2, kTypeIcon);
    PutLE16(head + 4, 1);
    StoreEntry(head + kHeaderSize, *this, bitCount,
               xorSize + GetPaletteSize() + maskSize + kInfoHeaderSize);
    StoreInfoHeaderFor(head + kHeaderSize + kEntrySize, *this, bitCount, xorSize);
    if (!WriteAll(f, head, sizeof head) || !WriteAll(f, GetPalette(), GetPaletteSize()) ||
        !WriteXorBitmap(*this, f, withAlpha) || !WriteMask(*this, f))
        throw CodecFailure(CodecError::IcoWrite);
    return true;
}
