// How a codec reports why it refused a file or an image: one code per
// message, with the texts in one table (CodecError.cpp). A codec's decoder or
// encoder throws a CodecFailure inside, and RunCodec catches it at the
// codec's boundary, where it becomes the false result and the lastError
// text. No exception leaves a codec.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "image/CxImage.h"

enum class CodecError {
    Refused,       // refused without a message: lastError stays as it was
    Cancelled,     // escape was set
    ImageTooLarge, // beyond the container's limits; the text names the size and the limit
    CreateFailed,  // Create refused; the text is Create's own
    // BMP
    NotBmp,
    BmpInfo,
    BmpBitCount,
    BmpNoMemory,
    BmpTooShort,
    BmpCompression,
    BmpUnknownCompression,
    BmpNoWorkBuffer,
    BmpWrite,
    // GIF
    GifNoFile,
    GifNoImages,
    GifBadImage,
    GifNullImage,
    GifFrameDepth,
    GifTooLarge,
    GifWrite,
    // ICO
    IcoPng,
    IcoCannotSave,
    IcoWrite,
    // TGA
    NotTga,
    TgaType,
    TgaHeader,
    TgaCreate,
    TgaCorrupted,
    TgaDepth,
    TgaTooLarge,
    TgaWrite,
    // PCX
    PcxRead,
    NotPcx,
    PcxEncoding,
    PcxPlanes,
    PcxBits,
    PcxCorrupted,
    PcxRepeat,
    PcxColorMap,
    PcxTooLarge,
    PcxWriteHeader,
    PcxWriteData,
    // WBMP
    NotWbmp,
    WbmpType,
    WbmpCorrupted,
    WbmpCreate,
    WbmpCannotSave,
    WbmpWrite,
    // Metafiles
    WmfCorrupted,
    WmfEmpty,
    WmfNoSave,
};

// The fixed text of a code; empty for Refused and for the codes whose text
// is made when they are raised (ImageTooLarge, CreateFailed).
const char* CodecErrorText(CodecError code);

class CodecFailure {
public:
    explicit CodecFailure(CodecError code) : code(code), text(CodecErrorText(code)) {}
    CodecFailure(CodecError code, std::string text) : code(code), text(std::move(text)) {}

    CodecError Code() const { return code; }
    const std::string& Text() const { return text; }

private:
    CodecError code;
    std::string text;
};

// Throws ImageTooLarge when the container's limits refuse an image of width
// x height at bpp bits per pixel, before anything is allocated for it.
void RequireWithinLimits(std::uint64_t width, std::uint64_t height, DWORD bpp);
// Throws ImageTooLarge when they refuse a buffer of `bytes` for such an image.
void RequireAllocation(std::uint64_t width, std::uint64_t height, std::uint64_t bytes);
// Throws CreateFailed with Create's text unless img is valid.
void RequireCreated(const CxImage& img);

template <class Work>
bool CxImage::RunCodec(Work work) {
    try {
        return work();
    } catch (const CodecFailure& failure) {
        if (!failure.Text().empty()) SetLastError(failure.Text().c_str());
        return false;
    }
}
