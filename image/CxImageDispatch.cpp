// The format dispatch: loading, decoding, saving and encoding through the
// codec table, with format detection and the caller's error texts.
#include <cstdio>
#include <string>

#include "image/CodecTable.h"
#include "image/CxCreateOnWriteFile.h"
#include "image/CxIOFile.h"
#include "image/CxImage.h"
#include "image/CxMemFile.h"

namespace {

// Closes a stdio stream when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

constexpr const char* kUnknownFormat = "Decode: Unknown or wrong format";

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
    UniqueFile f(std::fopen(filename, "rb"));
    if (!f) return false;
    CxIOFile file(f.get());
    std::string message;
    if (Detect(&file, message)) return true;
    // A codec that recognised the file speaks for it; else the named codec's
    // complaint stays (with type 0, the detection's own text).
    if (!message.empty()) {
        SetLastError(message.c_str());
    } else if (imagetype == FORMAT_UNKNOWN) {
        SetLastError(kUnknownFormat);
    }
    return false;
}

bool CxImage::DecodeWith(const CodecEntry& codec, CxFile* stream, std::string& message) {
    std::unique_ptr<CxImage> image = codec.create();
    image->CopyInfo(*this);
    // The settings travel to the codec (escape, frame, options...), but the
    // transparency described the previous picture: a codec sets its own.
    image->SetTransIndex(-1);
    image->SetTransColor(RGBQUAD{0, 0, 0, 0});
    // Started empty, so that the codec's own text is told from the earlier one.
    image->SetLastError("");
    const bool ok = codec.decode(*image, stream);
    message = image->GetLastError();
    if (!ok) return false;
    // A success keeps the earlier text unless the codec gave one.
    if (message.empty()) image->SetLastError(info.lastError);
    return Transfer(*image);
}

bool CxImage::Detect(CxFile* stream, std::string& message) {
    const long pos = stream->Tell();
    std::string recognised, codecText;
    for (const CodecEntry& codec : Codecs()) {
        if (DecodeWith(codec, stream, codecText)) return true;
        stream->Seek(pos, SEEK_SET);
        if (recognised.empty() && codec.hasSignature && codec.hasSignature(stream))
            recognised = codecText;
    }
    message = recognised;
    return false;
}

bool CxImage::Decode(CxFile* stream, DWORD imagetype) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    std::string message;
    if (imagetype == FORMAT_UNKNOWN) {
        if (Detect(stream, message)) return true;
        SetLastError(message.empty() ? kUnknownFormat : message.c_str());
        return false;
    }
    const CodecEntry* codec = FindCodec(imagetype);
    if (!codec) {
        SetLastError(kUnknownFormat);
        return false;
    }
    if (DecodeWith(*codec, stream, message)) return true;
    if (!message.empty()) SetLastError(message.c_str());
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
    if (!filename) return false;
    const CodecEntry* codec = FindCodec(imagetype);
    if (codec && codec->refusesBeforeWriting) return SaveStraight(filename, imagetype);
    // Encode into memory first, so a failed encode never truncates an
    // existing file.
    BYTE* buffer = nullptr;
    long size = 0;
    if (!Encode(buffer, size, imagetype)) return false;
    bool ok = false;
    if (UniqueFile f{std::fopen(filename, "wb")}) {
        ok = std::fwrite(buffer, 1, static_cast<std::size_t>(size), f.get()) ==
             static_cast<std::size_t>(size);
        ok = (std::fclose(f.release()) == 0) && ok;
    }
    FreeMemory(buffer);
    return ok;
}

bool CxImage::SaveStraight(const char* filename, DWORD imagetype) {
    // The file is created by the encoder's first write, after its checks.
    CxCreateOnWriteFile file(filename);
    const std::string before = info.lastError;
    if (Encode(&file, imagetype)) return file.Close();
    // A file that cannot be created is the caller's to explain, as when a
    // whole encoded block cannot be written.
    if (file.CreateFailed()) SetLastError(before.c_str());
    return false;
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
