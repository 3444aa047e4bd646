// GIF decoding: the logical screen, the block loop with its
// resynchronisation, extensions, the frame count, and the composition of
// frames onto the screen canvas (or into the true-colour mosaic).
#include "image/codecs/CxImageGIF.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "image/CxIOFile.h"
#include "image/codecs/CodecError.h"
#include "image/codecs/CodecIO.h"
#include "platform/ByteOrder.h"

namespace {

constexpr BYTE kExtensionIntroducer = 0x21;
constexpr BYTE kImageSeparator = 0x2C;
constexpr BYTE kTrailer = 0x3B;
constexpr BYTE kGraphicControlLabel = 0xF9;
constexpr BYTE kCommentLabel = 0xFE;
constexpr BYTE kApplicationLabel = 0xFF;
constexpr int kDisposeToBackground = 2;

int BppForColors(int colors) {
    if (colors <= 2) return 1;
    if (colors <= 16) return 4;
    return 8;
}

// The palette index that Clear (value) leaves in every pixel of an image of
// the given depth.
BYTE ClearedIndex(BYTE value, int bpp) {
    if (bpp == 1) return value ? 1 : 0;
    if (bpp == 4) return value & 15;
    return value;
}

// The indexed canvas of the normal form, the size of the logical screen.
// Frames are pasted onto it line by line. Outside the rectangles drawn since
// it was last cleared, every pixel holds one index, so restoring the
// background touches only those rectangles: a file of many small frames
// never costs a whole-screen pass per frame.
class GifCanvas {
public:
    CxImage image;

    void Create(DWORD width, DWORD height, int bpp, BYTE fill) {
        if (!image.Create(width, height, bpp, FORMAT_GIF)) return;
        image.Clear(fill);
        uniform = ClearedIndex(fill, bpp);
    }

    // Raises the depth to at least bpp, keeping every index, so that a frame
    // with a larger colour table than the first one is not cut to its bits.
    // Throws CreateFailed, leaving the canvas as it was, when that fails.
    void Widen(int bpp) {
        if (bpp <= image.GetBpp()) return;
        CxImage wider(image.GetWidth(), image.GetHeight(), bpp, FORMAT_GIF);
        RequireCreated(wider);
        const LONG w = static_cast<LONG>(image.GetWidth());
        const LONG h = static_cast<LONG>(image.GetHeight());
        for (LONG y = 0; y < h; ++y) {
            for (LONG x = 0; x < w; ++x)
                wider.SetPixelIndex(x, y, image.GetPixelIndex(x, y));
        }
        image.Transfer(wider);
    }

    // Disposal "restore to background": the whole canvas becomes fill.
    void Restore(BYTE fill) {
        const BYTE index = ClearedIndex(fill, image.GetBpp());
        if (index != uniform) {
            image.Clear(fill);
            uniform = index;
        } else {
            const LONG h = static_cast<LONG>(image.GetHeight());
            for (const RECT& r : dirty) {
                for (LONG row = r.top; row <= r.bottom; ++row) {
                    for (LONG x = r.left; x < r.right; ++x)
                        image.SetPixelIndex(x, h - 1 - row, index);
                }
            }
        }
        dirty.clear();
    }

    void BeginFrame(LONG left, LONG width) {
        dirty.push_back({left, std::numeric_limits<LONG>::max(), left + width, -1});
    }

    // GifMix for one line: frame pixels whose index (cut to the frame's
    // depth) is not the frame's transparent index replace the canvas pixel.
    void PasteLine(LONG left, LONG row, const BYTE* line, int length, BYTE mask, LONG trans) {
        const LONG y = static_cast<LONG>(image.GetHeight()) - 1 - row;
        for (int x = 0; x < length; ++x) {
            const BYTE index = line[x] & mask;
            if (index != trans) image.SetPixelIndex(left + x, y, index);
        }
        RECT& r = dirty.back();
        r.top = std::min(r.top, row);
        r.bottom = std::max(r.bottom, row);
    }

private:
    BYTE uniform = 0;
    std::vector<RECT> dirty; // columns [left, right), rows top..bottom from the top
};

class CanvasSink : public GifLineSink {
public:
    CanvasSink(GifCanvas& c, LONG l, LONG t, BYTE m, LONG tr)
        : canvas(c), left(l), top(t), mask(m), trans(tr) {}
    void PutLine(int row, const BYTE* line, int length) override {
        canvas.PasteLine(left, top + row, line, length, mask, trans);
    }

private:
    GifCanvas& canvas;
    LONG left, top;
    BYTE mask;
    LONG trans;
};

// The mosaic form: every frame pixel is copied by colour into the 24-bit image.
class MosaicSink : public GifLineSink {
public:
    MosaicSink(CxImage& img, LONG l, LONG t, BYTE m, const RGBQUAD* pal)
        : image(img), left(l), top(t), mask(m), palette(pal) {}
    void PutLine(int row, const BYTE* line, int length) override {
        const LONG y = static_cast<LONG>(image.GetHeight()) - 1 - (top + row);
        for (int x = 0; x < length; ++x)
            image.SetPixelColor(left + x, y, palette[line[x] & mask]);
    }

private:
    CxImage& image;
    LONG left, top;
    BYTE mask;
    const RGBQUAD* palette;
};

// Only "GIF8" is compared, so any version is read.
bool IsGifSignature(const BYTE* bytes) {
    return std::memcmp(bytes, "GIF8", 4) == 0;
}

bool ReadColorTable(CxFile* fp, int entries, BYTE (*rgb)[3]) {
    return fp->Read(rgb, 3, static_cast<std::size_t>(entries)) == static_cast<std::size_t>(entries);
}

} // namespace

// The state of one Decode call.
struct CxImageGIF::DecodeRun {
    bool counting = false;
    DWORD screenWidth = 0, screenHeight = 0;
    bool hasGlobal = false;
    ColorTable global{};
    int mosaicPoints = 0;
    int frameCount = 0;    // images counted by get_num_frames
    int imageIndex = 0;    // images met by the decoding scan
    int decodedFrames = 0; // images drawn onto the canvas or mosaic
    GifCanvas canvas;
    LONG backgroundIndex = -1; // transIndex when the first frame was read
    int previousDisposal = 0;
    CxImage mosaic;
    RGBQUAD lastPalette[256]{};
    int lastColors = 0;
};

CxImageGIF::CxImageGIF() : CxImage(FORMAT_GIF) {
    m_loops = 0;
    m_comment[0] = '\0';
    m_dispmeth = 0;
    m_gce = {};
    // The remaining state is set up by each decode or encode before use;
    // zero it so that a copy of a fresh codec never reads indeterminate values.
    std::memset(m_readAhead, 0, sizeof(m_readAhead));
    m_readPos = kReadAhead;
    m_readCount = 0;
    m_interlaced = m_iypos = m_istep = m_iheight = m_ipass = 0;
    m_currSize = m_clearCode = m_endingCode = m_newCodes = m_topSlot = m_slot = 0;
    m_bitsLeft = m_availBytes = m_subBlockPos = 0;
    m_dataEnded = false;
    m_curByte = 0;
    std::memset(m_subBlock, 0, sizeof(m_subBlock));
    std::memset(m_suffix, 0, sizeof(m_suffix));
    std::memset(m_prefix, 0, sizeof(m_prefix));
    std::memset(m_stack, 0, sizeof(m_stack));
    m_sink = nullptr;
    m_curx = m_cury = 0;
    m_countDown = 0;
    m_curAccum = 0;
    m_curBits = m_nBits = 0;
    m_maxCode = m_freeEnt = 0;
    m_clearFlag = false;
    m_initBits = 0;
    m_outFile = nullptr;
    m_clearCodeOut = m_eofCode = 0;
    m_packetLen = 0;
    std::memset(m_packet, 0, sizeof(m_packet));
    std::memset(m_htab, 0, sizeof(m_htab));
    std::memset(m_codetab, 0, sizeof(m_codetab));
}

void CxImageGIF::GetComment(char* sz_comment) const {
    if (!sz_comment) return;
    const std::size_t n = strnlen(m_comment, 255);
    std::memcpy(sz_comment, m_comment, n);
    sz_comment[n] = '\0';
}

void CxImageGIF::SetComment(const char* sz_comment) {
    if (!sz_comment) return;
    const std::size_t n = strnlen(sz_comment, 255);
    std::memcpy(m_comment, sz_comment, n);
    m_comment[n] = '\0';
}

bool CxImageGIF::Decode(std::FILE* fp) {
    CxIOFile file(fp);
    return Decode(&file);
}

bool CxImageGIF::HasSignature(CxFile* fp) {
    BYTE signature[4];
    return PeekBytes(*fp, signature, sizeof signature) == sizeof signature &&
           IsGifSignature(signature);
}

bool CxImageGIF::Decode(CxFile* fp) {
    if (!fp) return false;
    return RunCodec([&] { return DecodeFrom(fp); });
}

// Refusals other than the limits give no message.
bool CxImageGIF::DecodeFrom(CxFile* fp) {
    DecodeRun run;
    if (!ReadHeader(fp, run)) return false;
    if (info.escape == -1) {
        header.biWidth = static_cast<LONG>(run.screenWidth);
        header.biHeight = static_cast<LONG>(run.screenHeight);
        return true;
    }
    // Every frame is drawn onto a canvas of the screen's size.
    RequireWithinLimits(run.screenWidth, run.screenHeight, 1);
    // Transparency and delay come from this file only, not from whatever
    // image the caller decodes into.
    info.transIndex = -1;
    info.frameDelay = 0;
    if (run.hasGlobal) {
        ReadColorTable(fp, run.global.size, run.global.rgb);
    } else {
        ++run.mosaicPoints;
    }
    if (!get_num_frames(fp, run)) return false;
    if (info.frame < 0 || info.frame >= info.numFrames) return false;
    if (info.numFrames == 1) run.mosaicPoints = 0;
    if (!ScanBlocks(fp, run)) return false;
    return Finish(run);
}

bool CxImageGIF::ReadHeader(CxFile* fp, DecodeRun& run) {
    BYTE dscgif[13];
    if (fp->Read(dscgif, 1, sizeof(dscgif)) != sizeof(dscgif)) return false;
    if (!IsGifSignature(dscgif)) return false;
    run.screenWidth = GetLE16(dscgif + 6);
    run.screenHeight = GetLE16(dscgif + 8);
    const BYTE flags = dscgif[10];
    run.hasGlobal = (flags & 0x80) != 0;
    run.global.size = static_cast<WORD>(1 << ((flags & 7) + 1));
    return true;
}

// Counts the images that lie within the screen by walking the whole file
// once, then returns to where it started. The per-frame extension state the
// walk reads is put back, so that it cannot leak into the first frames; the
// loop count and comment, which describe the whole file, are kept.
// The walk draws nothing: each image costs at most one read-ahead fill and
// LZW work no larger than its own pixels, so counting stays linear in the
// file however many tiny frames it holds.
bool CxImageGIF::get_num_frames(CxFile* fp, DecodeRun& run) {
    const long pos = fp->Tell();
    const GraphicControl gce = m_gce;
    const LONG transIndex = info.transIndex;
    const DWORD frameDelay = info.frameDelay;
    const int dispmeth = m_dispmeth;

    run.counting = true;
    run.frameCount = 0;
    const bool finished = ScanBlocks(fp, run);
    run.counting = false;

    fp->Seek(pos, SEEK_SET);
    m_gce = gce;
    info.transIndex = transIndex;
    info.frameDelay = frameDelay;
    m_dispmeth = dispmeth;
    info.numFrames = run.frameCount;
    return finished;
}

// The block loop. Returns false when a cancel request or a failure stopped it.
bool CxImageGIF::ScanBlocks(CxFile* fp, DecodeRun& run) {
    bool previousWasNull = true;
    long ch;
    while ((ch = fp->GetC()) >= 0) {
        if (info.escape > 0) return false;
        // Resynchronisation: after a stray byte, only a zero byte or what
        // follows it can start a block.
        if (!previousWasNull && ch != 0) continue;
        switch (ch) {
        case kExtensionIntroducer:
            if (!DecodeExtension(fp) && !run.counting) return true;
            break;
        case kImageSeparator:
            switch (ReadImage(fp, run)) {
            case ImageStep::Continue:
                break;
            case ImageStep::Stop:
                return true;
            case ImageStep::Abort:
                return false;
            }
            break;
        case kTrailer:
            return true;
        default:
            previousWasNull = (ch == 0);
        }
    }
    return true;
}

// One image: its descriptor, then (unless it lies outside the screen) its
// colour table and data, counted or drawn.
CxImageGIF::ImageStep CxImageGIF::ReadImage(CxFile* fp, DecodeRun& run) {
    BYTE raw[9];
    if (fp->Read(raw, 1, sizeof(raw)) != sizeof(raw)) return ImageStep::Stop;
    const ImageDescriptor d{GetLE16(raw), GetLE16(raw + 2), GetLE16(raw + 4), GetLE16(raw + 6),
                            raw[8]};
    if (DWORD{d.left} + d.width > run.screenWidth || DWORD{d.top} + d.height > run.screenHeight)
        return ImageStep::Continue;

    ColorTable local{};
    const bool hasLocal = (d.flags & 0x80) != 0;
    if (hasLocal) {
        local.size = static_cast<WORD>(1 << ((d.flags & 7) + 1));
        ReadColorTable(fp, local.size, local.rgb);
    }
    if (run.counting) {
        ReadImageData(fp, d, nullptr);
        ++run.frameCount;
        return ImageStep::Continue;
    }
    const ColorTable& table = hasLocal ? local : run.global;
    return DecodeImage(fp, d, (hasLocal || run.hasGlobal) ? &table : nullptr,
                       BppForColors(table.size), run);
}

// The frame's palette: the table's entries, then white up to entry 255 when
// the frame has a transparent index, black otherwise (all black without a table).
void CxImageGIF::BuildPalette(const ColorTable* table, RGBQUAD palette[256]) const {
    const int n = table ? table->size : 0;
    const BYTE fill = info.transIndex != -1 ? 255 : 0;
    for (int i = 0; i < 256; ++i) {
        if (i < n) {
            palette[i] = {table->rgb[i][2], table->rgb[i][1], table->rgb[i][0], 0};
        } else {
            palette[i] = {fill, fill, fill, 0};
        }
    }
}

CxImageGIF::ImageStep CxImageGIF::DecodeImage(CxFile* fp, const ImageDescriptor& d,
                                              const ColorTable* table, int bpp, DecodeRun& run) {
    // The tiles of a true-colour mosaic start with one of 17 x 15 pixels, so
    // a first frame narrower or lower than the screen marks it: requiring
    // both would miss the mosaics of images at most 17 wide or 15 high.
    if (run.decodedFrames == 0 && (d.width != run.screenWidth || d.height != run.screenHeight))
        ++run.mosaicPoints;
    RGBQUAD palette[256];
    BuildPalette(table, palette);
    const BYTE mask = static_cast<BYTE>((1 << bpp) - 1);
    const bool mosaic = run.mosaicPoints >= 2;

    if (mosaic) {
        info.frame = info.numFrames - 1;
        if (!run.mosaic.IsValid()) {
            run.mosaic.Create(run.screenWidth, run.screenHeight, 24, FORMAT_GIF);
            RequireCreated(run.mosaic);
        }
        MosaicSink sink(run.mosaic, d.left, d.top, mask, palette);
        ReadImageData(fp, d, &sink);
    } else {
        PrepareCanvas(run, bpp);
        run.canvas.BeginFrame(d.left, d.width);
        CanvasSink sink(run.canvas, d.left, d.top, mask, info.transIndex);
        ReadImageData(fp, d, &sink);
        run.canvas.image.SetPalette(palette, 256);
    }
    if (info.escape != 0) return ImageStep::Abort;

    std::memcpy(run.lastPalette, palette, sizeof(palette));
    run.lastColors = 1 << bpp;
    run.previousDisposal = m_dispmeth;
    ++run.decodedFrames;
    if (run.imageIndex == info.frame) return ImageStep::Stop;
    ++run.imageIndex;
    return ImageStep::Continue;
}

// Makes the canvas ready for the next frame: created and cleared for the
// first one, restored to the background after a frame disposed that way.
// Throws CreateFailed with Create's text when the canvas cannot be made.
void CxImageGIF::PrepareCanvas(DecodeRun& run, int bpp) {
    GifCanvas& canvas = run.canvas;
    if (!canvas.image.IsValid()) {
        run.backgroundIndex = info.transIndex;
        canvas.Create(run.screenWidth, run.screenHeight, bpp, m_gce.transIndex);
        RequireCreated(canvas.image);
        return;
    }
    canvas.Widen(bpp);
    if (run.previousDisposal == kDisposeToBackground)
        canvas.Restore(static_cast<BYTE>(run.backgroundIndex));
}

// Moves the composed image into this object, which keeps its own info record
// (frame count, delay, options and the rest).
bool CxImageGIF::Finish(DecodeRun& run) {
    const bool mosaic = run.mosaic.IsValid();
    CxImage& result = mosaic ? run.mosaic : run.canvas.image;
    if (run.decodedFrames == 0 || !result.IsValid()) return false;
    ImageInfo kept = info;
    if (!Transfer(result)) return false;
    kept.effWidth = info.effWidth;
    kept.pixels = info.pixels;
    kept.type = FORMAT_GIF;
    info = kept;
    SetXDPI(info.xDpi);
    SetYDPI(info.yDpi);
    if (!mosaic) {
        info.transIndex = run.backgroundIndex;
        return true;
    }
    info.transIndex = -1;
    if (m_gce.flags & 1) {
        const int index = m_gce.transIndex;
        SetTransColor(index < run.lastColors ? run.lastPalette[index] : RGBQUAD{});
        info.transIndex = 0;
    }
    return true;
}

bool CxImageGIF::DecodeExtension(CxFile* fp) {
    BYTE label = 0;
    bool ok = ReadByte(*fp, label);
    if (ok && label == kGraphicControlLabel) {
        BYTE size = 0;
        BYTE body[4] = {m_gce.flags, static_cast<BYTE>(m_gce.delay),
                        static_cast<BYTE>(m_gce.delay >> 8), m_gce.transIndex};
        ok = ReadByte(*fp, size);
        const std::size_t got = fp->Read(body, 1, 4);
        m_gce = {body[0], GetLE16(body + 1), body[3]};
        ok = ok && size == got;
        if (ok) {
            // A graphic control governs the image that follows it: without
            // bit 0 that image has no transparent index.
            info.transIndex = (m_gce.flags & 1) ? LONG{m_gce.transIndex} : -1;
            info.frameDelay = m_gce.delay;
            m_dispmeth = (m_gce.flags >> 2) & 7;
        }
    } else if (ok && label == kCommentLabel) {
        BYTE size = 0;
        ok = ReadByte(*fp, size);
        if (ok) {
            ok = size > 0 && fp->Read(m_comment, size, 1) == 1;
            m_comment[size] = '\0';
        }
    } else if (ok && label == kApplicationLabel) {
        BYTE size = 0, id[11], n = 0, data[255];
        ok = ReadByte(*fp, size) && size == 11;
        fp->Read(id, 1, sizeof(id));
        if (!ReadByte(*fp, n)) return false;
        // An empty first sub-block is the terminator: the extension ends here.
        if (n == 0) return ok;
        if (fp->Read(data, 1, n) == n && n > 2) m_loops = data[1] | (data[2] << 8);
    }
    while (ok) {
        BYTE n = 0;
        if (!ReadByte(*fp, n) || n == 0) break;
        fp->Seek(n, SEEK_CUR);
    }
    return ok;
}
