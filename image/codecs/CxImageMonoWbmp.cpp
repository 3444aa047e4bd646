// WBMP type 0: type byte, fixed-header byte, width and height as WAP
// multi-byte integers (7 bits per byte, most significant first, bit 7 set on
// every byte but the last), then the rows, each (width + 7) / 8 bytes.
#include "image/codecs/CxImageMonoWbmp.h"

#include <cstdint>

#include "image/codecs/CodecError.h"
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
    if (!ReadByte(f, type) || !ReadByte(f, fixedHeader)) throw CodecFailure(CodecError::NotWbmp);
    const FieldRead w = ReadMultiByte(f, width);
    const FieldRead h = w == FieldRead::Short ? w : ReadMultiByte(f, height);
    if (w == FieldRead::Short || h == FieldRead::Short) throw CodecFailure(CodecError::NotWbmp);
    if (type != 0) throw CodecFailure(CodecError::WbmpType);
    if (w != FieldRead::Ok || h != FieldRead::Ok || width == 0 || height == 0)
        throw CodecFailure(CodecError::WbmpCorrupted);
    RequireWithinLimits(width, height, 1);
    const std::size_t rowBytes = RowBytes(width);
    if (!HoldsShareOfPixels(f, rowBytes * static_cast<std::uint64_t>(height)))
        throw CodecFailure(CodecError::WbmpCorrupted);
    if (!img.Create(width, height, 1, FORMAT_WBMP)) throw CodecFailure(CodecError::WbmpCreate);
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
    return RunCodec([&] {
        DecodeWbmp(*this, *file);
        return true;
    });
}

bool CxImageMonoWbmp::Encode(CxFile* file) {
    if (EncodeSafeCheck(file)) return false;
    return RunCodec([&] {
        const DWORD width = GetWidth(), height = GetHeight();
        if (width > kMaxEncodedSize || height > kMaxEncodedSize || GetBpp() != 1)
            throw CodecFailure(CodecError::WbmpCannotSave);
        bool ok = file->PutC(0) && file->PutC(0) && WriteMultiByte(*file, width) &&
                  WriteMultiByte(*file, height);
        const std::size_t rowBytes = RowBytes(width);
        for (DWORD y = height; ok && y-- > 0;)
            ok = file->Write(GetBits(y), 1, rowBytes) == rowBytes;
        if (!ok) throw CodecFailure(CodecError::WbmpWrite);
        return true;
    });
}
