// The format dispatch: loading, decoding, saving and encoding through the
// codec table, with format detection and the caller's error texts.
#include <cstdio>
#include <cstring>

#include "image/CodecTable.h"
#include "image/CxIOFile.h"
#include "image/CxImage.h"
#include "image/CxMemFile.h"

namespace {

// Closes a stdio stream when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

CxImage::CxImage(const char* filename, DWORD imagetype) {
    Startup(imagetype);
    Load(filename, imagetype);
}

CxImage::CxImage(std::FILE* stream, DWORD imagetype) {
    Startup(imagetype);
    Decode(stream, imagetype);
}

CxImage::CxImage(CxFile* stream, DWORD imagetype) {
    Startup(imagetype);
    Decode(stream, imagetype);
}

CxImage::CxImage(const BYTE* buffer, DWORD size, DWORD imagetype) {
    Startup(imagetype);
    Decode(buffer, size, imagetype);
}

bool CxImage::Load(const char* filename, DWORD imagetype) {
    if (!filename) return false;
    if (imagetype > 0 && imagetype < FORMAT_COUNT) {
        UniqueFile f(std::fopen(filename, "rb"));
        if (!f) return false;
        if (Decode(f.get(), imagetype)) return true;
    }
    char kept[sizeof(info.lastError)];
    std::memcpy(kept, info.lastError, sizeof(kept));
    UniqueFile f(std::fopen(filename, "rb"));
    if (!f) return false;
    const bool detected = Decode(f.get(), FORMAT_UNKNOWN);
    if (!detected && imagetype != FORMAT_UNKNOWN) std::memcpy(info.lastError, kept, sizeof(kept));
    return detected;
}

bool CxImage::DecodeWith(const CodecEntry& codec, CxFile* stream) {
    std::unique_ptr<CxImage> image = codec.create();
    image->CopyInfo(*this);
    // The settings travel to the codec (escape, frame, options...), but the
    // transparency described the previous picture: a codec sets its own.
    image->SetTransIndex(-1);
    image->SetTransColor(RGBQUAD{0, 0, 0, 0});
    if (!codec.decode(*image, stream)) {
        SetLastError(image->GetLastError());
        return false;
    }
    return Transfer(*image);
}

bool CxImage::Decode(CxFile* stream, DWORD imagetype) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (imagetype == FORMAT_UNKNOWN) {
        const long pos = stream->Tell();
        char kept[sizeof(info.lastError)];
        std::memcpy(kept, info.lastError, sizeof(kept));
        for (const CodecEntry& codec : Codecs()) {
            if (DecodeWith(codec, stream)) return true;
            // A failed attempt leaves no trace: rewind and drop its message.
            stream->Seek(pos, SEEK_SET);
            std::memcpy(info.lastError, kept, sizeof(kept));
        }
    } else if (const CodecEntry* codec = FindCodec(imagetype)) {
        return DecodeWith(*codec, stream);
    }
    SetLastError("Decode: Unknown or wrong format");
    return false;
}

bool CxImage::Decode(std::FILE* stream, DWORD imagetype) {
    CxIOFile file(stream);
    return Decode(&file, imagetype);
}

bool CxImage::Decode(const BYTE* buffer, DWORD size, DWORD imagetype) {
    // Decoders only read, so the caller's block is never written.
    CxMemFile file(const_cast<BYTE*>(buffer), static_cast<long>(size));
    return Decode(&file, imagetype);
}

bool CxImage::Save(const char* filename, DWORD imagetype) {
    // Encode into memory first, so a failed encode never truncates an
    // existing file.
    BYTE* buffer = nullptr;
    long size = 0;
    if (!filename || !Encode(buffer, size, imagetype)) return false;
    bool ok = false;
    if (UniqueFile f{std::fopen(filename, "wb")}) {
        ok = std::fwrite(buffer, 1, static_cast<std::size_t>(size), f.get()) ==
             static_cast<std::size_t>(size);
        ok = (std::fclose(f.release()) == 0) && ok;
    }
    FreeMemory(buffer);
    return ok;
}

bool CxImage::Encode(CxFile* stream, DWORD imagetype) {
    const CodecEntry* codec = FindCodec(imagetype);
    if (!codec) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    std::unique_ptr<CxImage> ghost = codec->create();
    ghost->Ghost(this);
    const bool ok = codec->encode(*ghost, stream);
    if (!ok) SetLastError(ghost->GetLastError());
    return ok;
}

bool CxImage::Encode(std::FILE* stream, DWORD imagetype) {
    CxIOFile file(stream);
    return Encode(&file, imagetype);
}

bool CxImage::Encode(BYTE*& buffer, long& size, DWORD imagetype) {
    if (buffer) {
        SetLastError("the buffer must be empty");
        return false;
    }
    CxMemFile file;
    file.Open();
    if (!Encode(&file, imagetype)) return false;
    buffer = file.GetBuffer(true);
    size = file.Size();
    return true;
}

bool CxImage::Encode(CxFile* stream, CxImage** images, int count, DWORD imagetype) {
    const CodecEntry* codec = FindCodec(imagetype);
    if (!codec || !codec->encodeMulti) {
        SetLastError("Multipage Encode, Unsupported operation for this format");
        return false;
    }
    std::unique_ptr<CxImage> ghost = codec->create();
    ghost->Ghost(this);
    const bool ok = codec->encodeMulti(*ghost, stream, images, count);
    if (!ok) SetLastError(ghost->GetLastError());
    return ok;
}

bool CxImage::Encode(std::FILE* stream, CxImage** images, int count, DWORD imagetype) {
    CxIOFile file(stream);
    return Encode(&file, images, count, imagetype);
}

bool CxImage::EncodeSafeCheck(CxFile* stream) {
    if (!stream) {
        SetLastError("null file handler");
        return true;
    }
    if (!dib) {
        SetLastError("null image!!!");
        return true;
    }
    return false;
}
