#include "image/codecs/CodecError.h"

#include <iterator>

namespace {

struct CodecMessage {
    CodecError code;
    const char* text;
};

// In the order of the enumeration; the static_assert below checks it.
constexpr CodecMessage kMessages[] = {
    {CodecError::Refused, ""},
    {CodecError::Cancelled, "Cancelled"},
    {CodecError::ImageTooLarge, ""},
    {CodecError::CreateFailed, ""},
    {CodecError::NotBmp, "Not a BMP"},
    {CodecError::BmpInfo, "Error reading BMP info"},
    {CodecError::BmpBitCount, "bit count not supported"},
    {CodecError::BmpNoMemory, "Can't allocate memory"},
    {CodecError::BmpTooShort, "BMP file too short for its image"},
    {CodecError::BmpCompression, "compression type not supported"},
    {CodecError::BmpUnknownCompression, "unknown compression"},
    {CodecError::BmpNoWorkBuffer, "can't allocate memory"},
    {CodecError::BmpWrite, "Can't write BMP file"},
    {CodecError::GifNoFile, "invalid file pointer"},
    {CodecError::GifNoImages, "multipage GIF, no images!"},
    {CodecError::GifBadImage, "Bad image pointer"},
    {CodecError::GifNullImage, "null image!!!"},
    {CodecError::GifFrameDepth, "multipage GIF, images need 8 bits per pixel or fewer"},
    {CodecError::GifTooLarge, "Image too large for GIF"},
    {CodecError::GifWrite, "Write Error in GIF file"},
    {CodecError::IcoPng, "PNG icon images are not supported"},
    {CodecError::IcoCannotSave, "Can't save this image as icon"},
    {CodecError::IcoWrite, "Can't write icon file"},
    {CodecError::NotTga, "Not a TGA"},
    {CodecError::TgaType, "Unknown TGA image type"},
    {CodecError::TgaHeader, "bad TGA header"},
    {CodecError::TgaCreate, "TGA Create failed"},
    {CodecError::TgaCorrupted, "corrupted TGA"},
    {CodecError::TgaDepth, "Bit depth must be 8 or 24"},
    {CodecError::TgaTooLarge, "Image too large for TGA"},
    {CodecError::TgaWrite, "Can't write TGA file"},
    {CodecError::PcxRead, "Can't read PCX image"},
    {CodecError::NotPcx, "Error: Not a PCX file"},
    {CodecError::PcxEncoding, "PCX file has unknown encoding scheme"},
    {CodecError::PcxPlanes, "Can't handle image with more than 4 planes"},
    {CodecError::PcxBits, "Can't handle more than 1 bit per pixel"},
    {CodecError::PcxCorrupted, "corrupted PCX"},
    {CodecError::PcxRepeat, "repeat count spans end of image"},
    {CodecError::PcxColorMap, "bad color map signature"},
    {CodecError::PcxTooLarge, "Image too large for PCX"},
    {CodecError::PcxWriteHeader, "cannot write PCX header"},
    {CodecError::PcxWriteData, "cannot write PCX data"},
    {CodecError::NotWbmp, "Not a WBMP"},
    {CodecError::WbmpType, "Unsupported WBMP type"},
    {CodecError::WbmpCorrupted, "Corrupted WBMP"},
    {CodecError::WbmpCreate, "WBMP Create failed"},
    {CodecError::WbmpCannotSave, "Can't save this image as WBMP"},
    {CodecError::WbmpWrite, "Can't write WBMP file"},
    {CodecError::WmfCorrupted, "corrupted WMF"},
    {CodecError::WmfEmpty, "empty WMF"},
    {CodecError::WmfNoSave, "Save WMF not supported"},
};

constexpr bool InEnumerationOrder() {
    for (std::size_t i = 0; i < std::size(kMessages); ++i)
        if (static_cast<std::size_t>(kMessages[i].code) != i) return false;
    return true;
}
static_assert(InEnumerationOrder() &&
                  std::size(kMessages) == static_cast<std::size_t>(CodecError::WmfNoSave) + 1,
              "one message per code, in the order of the enumeration");

} // namespace

const char* CodecErrorText(CodecError code) {
    const auto i = static_cast<std::size_t>(code);
    return i < std::size(kMessages) ? kMessages[i].text : "";
}

void RequireWithinLimits(std::uint64_t width, std::uint64_t height, DWORD bpp) {
    std::string why;
    if (!CxImage::FitsLimits(width, height, bpp, &why))
        throw CodecFailure(CodecError::ImageTooLarge, why);
}

void RequireAllocation(std::uint64_t width, std::uint64_t height, std::uint64_t bytes) {
    std::string why;
    if (!CxImage::FitsAllocation(width, height, bytes, &why))
        throw CodecFailure(CodecError::ImageTooLarge, why);
}

void RequireCreated(const CxImage& img) {
    if (!img.IsValid()) throw CodecFailure(CodecError::CreateFailed, img.GetLastError());
}
