// GIF encoding: the single-image and multi-image forms, the file sections
// they are made of, and the tiled mosaic for true-colour images.
#include <algorithm>
#include <cstring>
#include <memory>

#include "image/CxIOFile.h"
#include "image/codecs/CodecError.h"
#include "image/codecs/CxImageGIF.h"

namespace {

constexpr int kTileWidth = 17;
constexpr int kTileHeight = 15;
constexpr int kUncompressed = 1;
constexpr int kRunLength = 2;

} // namespace

bool CxImageGIF::Encode(std::FILE* fp) {
    CxIOFile file(fp);
    return Encode(&file);
}

bool CxImageGIF::Encode(std::FILE* fp, CxImage** images, int count, bool localColorMap) {
    CxIOFile file(fp);
    return Encode(&file, images, count, localColorMap);
}

bool CxImageGIF::Encode(CxFile* fp) {
    if (EncodeSafeCheck(fp)) return false;
    return RunCodec([&] {
        if (!FitsGifFields()) throw CodecFailure(CodecError::GifTooLarge);
        if (GetBpp() > 8) {
            EncodeRGB(fp);
        } else {
            EncodeHeader(fp);
            EncodeExtension(fp);
            EncodeComment(fp);
            EncodeBody(fp, false);
            fp->PutC(';');
        }
        CheckWrite(fp);
        return true;
    });
}

bool CxImageGIF::Encode(CxFile* fp, CxImage** images, int count, bool localColorMap) {
    return RunCodec([&] {
        if (!fp) throw CodecFailure(CodecError::GifNoFile);
        if (!images || count <= 0 || !images[0]) throw CodecFailure(CodecError::GifNoImages);
        auto writer = std::make_unique<CxImageGIF>();
        // Every frame is checked before anything is written.
        for (int i = 0; i < count; ++i) {
            if (!images[i]) throw CodecFailure(CodecError::GifBadImage);
            writer->Ghost(images[i]);
            if (!writer->IsValid()) throw CodecFailure(CodecError::GifNullImage);
            if (writer->GetBpp() > 8) throw CodecFailure(CodecError::GifFrameDepth);
            if (!writer->FitsGifFields()) throw CodecFailure(CodecError::GifTooLarge);
        }
        writer->Ghost(images[0]);
        writer->EncodeHeader(fp);
        if (m_loops != 1) {
            writer->SetLoops(m_loops > 1 ? m_loops - 1 : 0);
            writer->EncodeLoopExtension(fp);
        }
        writer->SetDisposalMethod(m_dispmeth);
        writer->EncodeExtension(fp);
        EncodeComment(fp);
        writer->EncodeBody(fp, false);
        for (int i = 1; i < count; ++i) {
            writer->Ghost(images[i]);
            writer->SetDisposalMethod(m_dispmeth);
            writer->EncodeExtension(fp);
            writer->EncodeBody(fp, localColorMap);
        }
        fp->PutC(';');
        CheckWrite(fp);
        return true;
    });
}

// Images of more than 8 bits per pixel: tiles of 17 x 15 pixels, left to
// right in bands of 15 rows from the top, each a frame with its own table of
// at most 255 colours (entry 0 is the transparent colour, if any).
void CxImageGIF::EncodeRGB(CxFile* fp) {
    EncodeHeader(fp);
    EncodeComment(fp);
    const LONG width = static_cast<LONG>(GetWidth());
    const LONG height = static_cast<LONG>(GetHeight());
    auto tile = std::make_unique<CxImageGIF>();
    for (LONG y = 0; y < height; y += kTileHeight) {
        for (LONG x = 0; x < width; x += kTileWidth) {
            const LONG w = std::min<LONG>(kTileWidth, width - x);
            const LONG h = std::min<LONG>(kTileHeight, height - y);
            if (!tile->IsValid() || static_cast<LONG>(tile->GetWidth()) != w ||
                static_cast<LONG>(tile->GetHeight()) != h) {
                tile = std::make_unique<CxImageGIF>();
                tile->Create(w, h, 8, FORMAT_UNKNOWN);
                tile->SetCodecOption(GetCodecOption(FORMAT_GIF), FORMAT_GIF);
            }
            if (IsTransparent()) {
                tile->SetTransIndex(0);
                tile->SetPaletteColor(0, GetTransColor());
            }
            for (LONG i = 0; i < h; ++i) {
                for (LONG j = 0; j < w; ++j) {
                    const BYTE entry = static_cast<BYTE>(j + kTileWidth * i + 1);
                    tile->SetPaletteColor(entry, GetPixelColor(x + j, height - y - h + i));
                    tile->SetPixelIndex(j, i, tile->GetNearestIndex(tile->GetPaletteColor(entry)));
                }
            }
            tile->SetOffset(x, y);
            tile->EncodeExtension(fp);
            tile->EncodeBody(fp, true);
        }
    }
    fp->PutC(';');
}

void CxImageGIF::EncodeHeader(CxFile* fp) {
    fp->Write("GIF89a", 1, 6);
    Putword(static_cast<int>(GetWidth()), fp);
    Putword(static_cast<int>(GetHeight()), fp);
    BYTE flags = 0x11;
    if (GetNumColors() != 0) {
        const int bpp = GetBpp();
        flags = static_cast<BYTE>(0x80 | ((bpp - 1) << 4) | (bpp - 1));
    }
    fp->PutC(flags);
    fp->PutC(0); // background colour index
    fp->PutC(0); // pixel aspect ratio
    WritePalette(fp);
}

// The palette's entries as red, green, blue triples.
void CxImageGIF::WritePalette(CxFile* fp) {
    for (DWORD i = 0; i < GetNumColors(); ++i) {
        const RGBQUAD c = GetPaletteColor(static_cast<BYTE>(i));
        const BYTE rgb[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
        fp->Write(rgb, 1, 3);
    }
}

void CxImageGIF::EncodeLoopExtension(CxFile* fp) {
    fp->PutC(0x21);
    fp->PutC(0xFF);
    fp->PutC(11);
    fp->Write("NETSCAPE2.0", 1, 11);
    fp->PutC(3);
    fp->PutC(1);
    Putword(m_loops, fp);
    fp->PutC(0);
}

// The graphic control extension, rebuilt from the image: transparency,
// disposal method and delay.
void CxImageGIF::EncodeExtension(CxFile* fp) {
    m_gce.flags = static_cast<BYTE>((info.transIndex != -1 ? 1 : 0) | ((m_dispmeth & 7) << 2));
    m_gce.delay = static_cast<WORD>(info.frameDelay);
    m_gce.transIndex = static_cast<BYTE>(info.transIndex);
    fp->PutC(0x21);
    fp->PutC(0xF9);
    fp->PutC(4);
    fp->PutC(m_gce.flags);
    Putword(m_gce.delay, fp);
    fp->PutC(m_gce.transIndex);
    fp->PutC(0);
}

void CxImageGIF::EncodeComment(CxFile* fp) {
    const std::size_t n = strnlen(m_comment, 255);
    if (n == 0) return;
    fp->PutC(0x21);
    fp->PutC(0xFE);
    fp->PutC(static_cast<BYTE>(n));
    fp->Write(m_comment, 1, n);
    fp->PutC(0);
}

void CxImageGIF::EncodeBody(CxFile* fp, bool localColorMap) {
    m_curx = 0;
    m_cury = static_cast<long>(GetHeight()) - 1;
    m_countDown = static_cast<long long>(GetWidth()) * GetHeight();

    fp->PutC(0x2C);
    Putword(info.xOffset, fp);
    Putword(info.yOffset, fp);
    Putword(static_cast<int>(GetWidth()), fp);
    Putword(static_cast<int>(GetHeight()), fp);
    const int bpp = GetBpp();
    fp->PutC(localColorMap ? static_cast<BYTE>(0x80 | (bpp - 1)) : 0);
    if (localColorMap) WritePalette(fp);

    const int initCodeSize = bpp == 1 ? 2 : bpp;
    fp->PutC(static_cast<BYTE>(initCodeSize));
    switch (GetCodecOption(FORMAT_GIF)) {
    case kUncompressed:
        compressNONE(initCodeSize + 1, fp);
        break;
    case kRunLength:
        compressRLE(initCodeSize + 1, fp);
        break;
    default:
        compressLZW(initCodeSize + 1, fp);
    }
    fp->PutC(0);
}

// The next pixel index, from the top row down and left to right; -1 after the last.
int CxImageGIF::GifNextPixel() {
    if (m_countDown == 0) return -1;
    --m_countDown;
    const int index = GetPixelIndex(m_curx, m_cury);
    if (++m_curx == static_cast<long>(GetWidth())) {
        m_curx = 0;
        --m_cury;
    }
    return index;
}

// Width, height and offsets all fit the format's 16-bit fields.
bool CxImageGIF::FitsGifFields() const {
    return GetWidth() <= 0xFFFF && GetHeight() <= 0xFFFF && info.xOffset >= 0 &&
           info.xOffset <= 0xFFFF && info.yOffset >= 0 && info.yOffset <= 0xFFFF;
}

// The stream's error state, looked at once at the end of a file.
void CxImageGIF::CheckWrite(CxFile* fp) {
    if (!fp->Flush() || fp->Error() != 0) throw CodecFailure(CodecError::GifWrite);
}
