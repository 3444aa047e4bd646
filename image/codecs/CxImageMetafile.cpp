#include "image/codecs/CxImageMetafile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/CxMemFile.h"
#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "image/codecs/CxImageBMP.h"
#include "platform/ByteOrder.h"
#include "platform/MetafilePlayer.h"
#include "platform/WmfFrame.h"

namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr DWORD kEmrHeader = 1;             // type of an EMF's first record
constexpr DWORD kEmfSignature = 0x464D4520; // " EMF", at byte 40 of that record
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr WORD kMaxUnitsPerInch = 2540;

// The placeable header: key, units per inch in range, and a checksum equal
// to the XOR of the ten words before it.
bool IsPlaceableHeader(const BYTE* h) {
    WORD checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        checksum ^= GetLE16(h + i);
    const WORD inch = GetLE16(h + 14);
    return GetLE32(h) == kPlaceableKey && inch >= 1 && inch <= kMaxUnitsPerInch &&
           checksum == GetLE16(h + 20);
}

// A DIB inside a metafile record, decoded by the BMP codec into a packed
// bottom-up DIB of 1, 4, 8 or 24 bits per pixel.
bool ReadDib(std::span<const BYTE> packed, std::vector<BYTE>& out) {
    CxMemFile file(const_cast<BYTE*>(packed.data()), static_cast<long>(packed.size()));
    CxImageBMP bmp;
    if (!bmp.Decode(&file) || !bmp.IsValid()) return false;
    const BYTE* dib = static_cast<const BYTE*>(bmp.GetDIB());
    out.assign(dib, dib + bmp.GetSize());
    return true;
}

// Reads the rest of the stream from the current position.
bool ReadRest(CxFile& f, std::vector<BYTE>& bytes) {
    const long size = f.Size(), pos = f.Tell();
    if (size < 0 || pos < 0 || pos > size) return false;
    try {
        bytes.resize(static_cast<std::size_t>(size - pos));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return f.Read(bytes.data(), 1, bytes.size()) == bytes.size();
}

} // namespace

// A Windows metafile without the placeable header: its logical units are
// taken as pixels of a 96-dpi screen, over the frame its window records set
// or else the bounds of what it draws.
bool CxImageMetafile::ReadStandardWinMetafile(CxFile& f, long start, Picture& pic) {
    if (!f.Seek(start, SEEK_SET) || !ReadRest(f, pic.bytes) || !IsWinMetaFile(pic.bytes))
        return false;
    const WORD type = GetLE16(pic.bytes.data());
    if ((type != 1 && type != 2) || GetLE16(pic.bytes.data() + 2) != kWmfHeaderSize / 2)
        return false;
    const std::uint64_t bytes = 2 * std::uint64_t{GetLE32(pic.bytes.data() + 6)};
    if (bytes < kWmfHeaderSize) return false;
    if (bytes < pic.bytes.size()) pic.bytes.resize(bytes);
    const std::optional<RECT> frame = WinMetaFileFrame(pic.bytes);
    if (!frame) return true; // empty
    pic.window = *frame;
    pic.cx = std::llabs(0LL + frame->right - frame->left);
    pic.cy = std::llabs(0LL + frame->bottom - frame->top);
    return true;
}

bool CxImageMetafile::ReadWinMetafile(CxFile& f, long start, Picture& pic) {
    BYTE placeable[kPlaceableSize], header[kWmfHeaderSize];
    if (f.Read(placeable, 1, kPlaceableSize) != kPlaceableSize) return false;
    if (!IsPlaceableHeader(placeable)) return ReadStandardWinMetafile(f, start, pic);
    if (f.Read(header, 1, kWmfHeaderSize) != kWmfHeaderSize) return false;
    const WORD type = GetLE16(header);
    if (type != 1 && type != 2) return false;
    const std::uint64_t bytes = 2 * std::uint64_t{GetLE32(header + 6)};
    if (bytes > static_cast<std::uint64_t>(std::max(f.Size(), 0L))) return false;
    try {
        pic.bytes.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Some writers count the placeable header in the size, so the stream may
    // end up to that much early: what is there is played.
    if (!f.Seek(start + static_cast<long>(kPlaceableSize), SEEK_SET)) return false;
    pic.bytes.resize(f.Read(pic.bytes.data(), 1, pic.bytes.size()));
    if (!IsWinMetaFile(pic.bytes)) return false;
    const auto s16 = [&](std::size_t off) { return static_cast<short>(GetLE16(placeable + off)); };
    pic.window = RECT{s16(6), s16(8), s16(10), s16(12)};
    const long long inch = GetLE16(placeable + 14);
    pic.cx = (0LL + pic.window.right - pic.window.left) * 96 / inch;
    pic.cy = (0LL + pic.window.bottom - pic.window.top) * 96 / inch;
    return true;
}

bool CxImageMetafile::ReadEnhMetafile(CxFile& f, Picture& pic) {
    ENHMETAHEADER h;
    if (!ReadRest(f, pic.bytes) || !GetEnhMetaFileHeader(pic.bytes, &h)) return false;
    pic.enhanced = true;
    pic.cx = 0LL + h.rclBounds.right - h.rclBounds.left;
    pic.cy = 0LL + h.rclBounds.bottom - h.rclBounds.top;
    return true;
}

// At most kMaxSide on either side, keeping the aspect ratio; a side scaled
// below one pixel keeps one.
void CxImageMetafile::LimitSize(long long& cx, long long& cy) {
    if (cx > kMaxSide) {
        cy = std::max(cy * kMaxSide / cx, std::min(cy, 1LL));
        cx = kMaxSide;
    }
    if (cy > kMaxSide) {
        cx = std::max(cx * kMaxSide / cy, std::min(cx, 1LL));
        cy = kMaxSide;
    }
}

bool CxImageMetafile::HasSignature(CxFile* hFile) {
    BYTE head[44];
    const std::size_t got = PeekBytes(*hFile, head, sizeof head);
    const bool placeable = got >= 4 && GetLE32(head) == kPlaceableKey;
    const bool enhanced =
        got == sizeof head && GetLE32(head) == kEmrHeader && GetLE32(head + 40) == kEmfSignature;
    return placeable || enhanced;
}

bool CxImageMetafile::Decode(CxFile* hFile, long nForceWidth, long nForceHeight) {
    if (!hFile) return false;
    return RunCodec([&] {
        const long start = hFile->Tell();
        Picture pic;
        if (!ReadWinMetafile(*hFile, start, pic)) {
            pic = Picture{};
            hFile->Seek(start, SEEK_SET);
            if (!ReadEnhMetafile(*hFile, pic)) throw CodecFailure(CodecError::WmfCorrupted);
        }
        if (info.escape) throw CodecFailure(CodecError::Cancelled);
        // Bounds whose right or bottom edge lies before the left or top one
        // mark an empty picture too.
        if (pic.cx <= 0 || pic.cy <= 0) throw CodecFailure(CodecError::WmfEmpty);
        long long cx = nForceWidth ? nForceWidth : pic.cx;
        long long cy = nForceHeight ? nForceHeight : pic.cy;
        LimitSize(cx, cy);
        // The raster and the image are both 24-bit, cx x cy.
        if (cx > 0 && cy > 0) RequireWithinLimits(cx, cy, 24);
        return Render(pic, cx, cy);
    });
}

// Plays the metafile onto a cx x cy DIB section filled with the window
// colour and copies its rows into the image. A size no bitmap can have
// fails without a message.
bool CxImageMetafile::Render(const Picture& pic, long long cx, long long cy) {
    if (cx <= 0 || cy <= 0) return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{
        40, static_cast<LONG>(cx), static_cast<LONG>(cy), 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC mem = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!mem || !bitmap) {
        DeleteObject(bitmap);
        DeleteDC(mem);
        return false;
    }
    HGDIOBJ previous = SelectObject(mem, bitmap);
    const int depth = GetDeviceCaps(mem, BITSPIXEL);
    const RECT rect{0, 0, static_cast<LONG>(cx), static_cast<LONG>(cy)};
    const COLORREF background = SetBkColor(mem, GetSysColor(COLOR_WINDOW));
    ExtTextOutA(mem, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
    SetBkColor(mem, background);
    if (pic.enhanced)
        PlayEnhMetaFile(mem, pic.bytes, rect, ReadDib);
    else
        PlayWinMetaFile(mem, pic.bytes, pic.window, rect, ReadDib);
    SelectObject(mem, previous);
    bool ok = false;
    if (info.escape) {
        SetLastError(CodecErrorText(CodecError::Cancelled));
    } else if (Create(static_cast<DWORD>(cx), static_cast<DWORD>(cy), depth, FORMAT_WMF)) {
        // The section's rows have the image's layout: 24 bits, bottom-up,
        // padded to 4 bytes.
        std::memcpy(info.pixels, bits, header.biSizeImage);
        ok = true;
    }
    DeleteObject(bitmap);
    DeleteDC(mem);
    return ok;
}

bool CxImageMetafile::Encode(CxFile* hFile) {
    if (hFile) SetLastError(CodecErrorText(CodecError::WmfNoSave));
    return false;
}
