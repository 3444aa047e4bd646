// WBMP type 0: type byte, fixed-header byte, width and height as WAP
// multi-byte integers (7 bits per byte, most significant first, bit 7 set on
// every byte but the last), then the rows, each (width + 7) / 8 bytes.
#include "image/codecs/CxImageMonoWbmp.h"

#include <cstdint>

#include "image/codecs/CodecIO.h"
#include "image/codecs/StreamRemaining.h"

namespace {

constexpr DWORD kMaxEncodedSize = 255;

enum class FieldRead { Ok, Short, TooLarge };

// A multi-byte integer of at most 5 bytes whose value fits a LONG.
FieldRead ReadMultiByte(CxFile& f, DWORD& value) {
    std::uint64_t v = 0;
    for (int i = 0; i < 5; ++i) {
        BYTE b;
        if (!ReadByte(f, b)) return FieldRead::Short;
        v = (v << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            if (v > 0x7FFFFFFF) return FieldRead::TooLarge;
            value = static_cast<DWORD>(v);
            return FieldRead::Ok;
        }
    }
    return FieldRead::TooLarge;
}

bool WriteMultiByte(CxFile& f, DWORD value) {
    BYTE bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<BYTE>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    for (int i = n - 1; i >= 0; --i) {
        if (!f.PutC(static_cast<BYTE>(bytes[i] | (i > 0 ? 0x80 : 0)))) return false;
    }
    return true;
}

std::size_t RowBytes(DWORD width) {
    return (static_cast<std::size_t>(width) + 7) >> 3;
}

void DecodeWbmp(CxImage& img, CxFile& f) {
    BYTE type, fixedHeader;
    DWORD width = 0, height = 0;
    if (!ReadByte(f, type) || !ReadByte(f, fixedHeader)) throw "Not a WBMP";
    const FieldRead w = ReadMultiByte(f, width);
    const FieldRead h = w == FieldRead::Short ? w : ReadMultiByte(f, height);
    if (w == FieldRead::Short || h == FieldRead::Short) throw "Not a WBMP";
    if (type != 0) throw "Unsupported WBMP type";
    if (w != FieldRead::Ok || h != FieldRead::Ok || width == 0 || height == 0)
        throw "Corrupted WBMP";
    const std::size_t rowBytes = RowBytes(width);
    if (!HoldsShareOfPixels(f, rowBytes * static_cast<std::uint64_t>(height)))
        throw "Corrupted WBMP";
    if (!img.Create(width, height, 1, FORMAT_WBMP)) throw "WBMP Create failed";
    img.SetGrayPalette();
    // Create hands out cleared rows, so the rows a short file lacks stay
    // black; a row cut in the middle keeps its cleared tail.
    for (DWORD r = 0; r < height; ++r) {
        if (f.Read(img.GetBits(height - 1 - r), 1, rowBytes) != rowBytes) break;
    }
}

} // namespace

bool CxImageMonoWbmp::Decode(CxFile* file) {
    if (!file) return false;
    try {
        DecodeWbmp(*this, *file);
        return true;
    } catch (const char* message) {
        SetLastError(message);
        return false;
    }
}

bool CxImageMonoWbmp::Encode(CxFile* file) {
    if (EncodeSafeCheck(file)) return false;
    const DWORD width = GetWidth(), height = GetHeight();
    if (width > kMaxEncodedSize || height > kMaxEncodedSize || GetBpp() != 1) {
        SetLastError("Can't save this image as WBMP");
        return false;
    }
    bool ok = file->PutC(0) && file->PutC(0) && WriteMultiByte(*file, width) &&
              WriteMultiByte(*file, height);
    const std::size_t rowBytes = RowBytes(width);
    for (DWORD y = height; ok && y-- > 0;)
        ok = file->Write(GetBits(y), 1, rowBytes) == rowBytes;
    if (!ok) SetLastError("Can't write WBMP file");
    return ok;
}
