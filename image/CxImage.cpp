// Image life: construction, creation, destruction, copying, ownership
// transfer, ghosts, clearing and the small accessors.
#include "image/CxImage.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/DibLayout.h"
#include "image/HugePages.h"
#include "platform/ByteOrder.h"

namespace {

// The memory guard. The product is formed in 64 bits so that the limit can
// trip at all; beyond it, any size whose block would not fit the 32-bit size
// fields of the header (and with them the block's address arithmetic) is
// refused the same way, so no block is ever smaller than what it addresses.
bool ExceedsMaxMemory(DWORD width, DWORD height, DWORD bpp) {
    const unsigned long long w = width, h = height;
    if (w * h * bpp / 256 > CXIMAGE_MAX_MEMORY) return true;
    if (w > 0x7FFFFFFFULL || h > 0x7FFFFFFFULL) return true;
    return DibBlockSize(w, h, bpp) > 0xFFFFFFFFULL;
}

LONG DpiToPelsPerMeter(LONG dpi) {
    return static_cast<LONG>(std::floor(dpi * 10000.0 / 254.0 + 0.5));
}

} // namespace

CxImage::CxImage(DWORD imagetype) {
    Startup(imagetype);
}

CxImage::CxImage(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype) {
    Startup(imagetype);
    Create(dwWidth, dwHeight, wBpp, imagetype);
}

CxImage::CxImage(const CxImage& src, bool copypixels, bool copyselection, bool copyalpha) {
    Startup(src.GetType());
    Copy(src, copypixels, copyselection, copyalpha);
}

CxImage& CxImage::operator=(const CxImage& src) {
    if (this != &src) Copy(src);
    return *this;
}

CxImage::~CxImage() {
    Destroy();
}

void CxImage::Startup(DWORD imagetype) {
    dib = nullptr;
    selection = nullptr;
    alpha = nullptr;
    layers = nullptr;
    std::memset(&header, 0, sizeof(header));
    std::memset(&info, 0, sizeof(info));
    info.type = imagetype;
    info.jpegQuality = 90;
    info.alphaMax = 255;
    info.transIndex = -1;
    info.enabled = true;
    SetXDPI(96);
    SetYDPI(96);
}

void* CxImage::Create(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype) {
    if (!Destroy()) return nullptr;
    if (dwWidth == 0 || dwHeight == 0) {
        SetLastError("CxImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    const DWORD bpp = NormalizedBpp(wBpp);
    if (ExceedsMaxMemory(dwWidth, dwHeight, bpp)) {
        SetLastError("CXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }
    if (std::string why; !FitsLimits(dwWidth, dwHeight, bpp, &why)) {
        SetLastError(why.c_str());
        return nullptr;
    }
    header.biClrUsed = PaletteEntries(bpp);
    info.effWidth = ((bpp * dwWidth + 31) / 32) * 4;
    info.type = imagetype;

    header.biSize = kInfoHeaderSize;
    header.biWidth = static_cast<LONG>(dwWidth);
    header.biHeight = static_cast<LONG>(dwHeight);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bpp);
    header.biCompression = BI_RGB;
    header.biSizeImage = info.effWidth * dwHeight;
    header.biClrImportant = 0;

    // calloc zeroes the palette, and the pixel rows too: a new image never
    // exposes stale heap content, whatever its caller writes afterwards.
    dib = static_cast<BYTE*>(std::calloc(GetSize(), 1));
    if (!dib) {
        SetLastError("CxImage::Create can't allocate memory");
        return nullptr;
    }
    AdviseHugePages(dib, GetSize());
    StoreInfoHeader(dib, header);
    info.pixels = GetBits(0);
    return dib;
}

bool CxImage::Destroy() {
    if (info.ghostOf) return false;
    if (layers) {
        for (LONG i = 0; i < info.numLayers; ++i)
            delete layers[i];
        std::free(layers);
        layers = nullptr;
    }
    std::free(selection);
    selection = nullptr;
    std::free(alpha);
    alpha = nullptr;
    std::free(dib);
    dib = nullptr;
    return true;
}

void CxImage::Copy(const CxImage& src, bool copypixels, bool copyselection, bool copyalpha) {
    if (&src == this) return;
    info = src.info;
    // The link fields describe the source object, not the copy: a copy is
    // never a ghost or a layer, and its pixels pointer is set by Create.
    info.ghostOf = nullptr;
    info.parent = nullptr;
    info.pixels = nullptr;
    // The resolution lives in the header as well as in info; a copy (and so
    // Flip and Mirror, which work through one) keeps both.
    header.biXPelsPerMeter = src.header.biXPelsPerMeter;
    header.biYPelsPerMeter = src.header.biYPelsPerMeter;
    Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType());
    if (copypixels && dib && src.dib && GetSize() == src.GetSize()) {
        std::memcpy(dib, src.dib, GetSize());
    } else {
        SetPalette(src.GetPalette(), 256);
    }
    if (copyselection && src.selection && dib) {
        std::free(selection);
        selection = AllocatePlane();
        if (selection) std::memcpy(selection, src.selection, PlaneSize());
    }
    if (copyalpha && src.alpha && dib) {
        std::free(alpha);
        alpha = AllocatePlane();
        if (alpha) std::memcpy(alpha, src.alpha, PlaneSize());
    }
}

void CxImage::CopyInfo(const CxImage& src) {
    if (dib == nullptr) info = src.info;
}

bool CxImage::Transfer(CxImage& from) {
    if (&from == this) return true;
    if (!Destroy()) return false;
    header = from.header;
    info = from.info;
    dib = from.dib;
    selection = from.selection;
    alpha = from.alpha;
    layers = from.layers;
    std::memset(&from.header, 0, sizeof(from.header));
    std::memset(&from.info, 0, sizeof(from.info));
    from.dib = nullptr;
    from.selection = nullptr;
    from.alpha = nullptr;
    from.layers = nullptr;
    return true;
}

void CxImage::Ghost(CxImage* from) {
    if (!from || from == this) return;
    header = from->header;
    info = from->info;
    dib = from->dib;
    selection = from->selection;
    alpha = from->alpha;
    layers = from->layers;
    info.ghostOf = from;
}

void CxImage::Clear(BYTE bval) {
    if (!dib) return;
    if (header.biBitCount == 1 && bval != 0) bval = 255;
    if (header.biBitCount == 4) bval = static_cast<BYTE>((bval & 15) * 17);
    std::memset(info.pixels, bval, header.biSizeImage);
}

RGBQUAD* CxImage::GetPalette() const {
    if (dib && header.biClrUsed) return reinterpret_cast<RGBQUAD*>(dib + kInfoHeaderSize);
    return nullptr;
}

DWORD CxImage::GetSize() const {
    return header.biSize + header.biSizeImage + GetPaletteSize();
}

BYTE* CxImage::GetBits(DWORD row) const {
    if (!dib) return nullptr;
    if (row != 0 && row >= static_cast<DWORD>(header.biHeight)) return nullptr;
    const std::size_t start = static_cast<std::size_t>(GetLE32(dib)) + GetPaletteSize() +
                              static_cast<std::size_t>(row) * info.effWidth;
    return dib + start;
}

bool CxImage::IsInside(LONG x, LONG y) const {
    return 0 <= y && y < header.biHeight && 0 <= x && x < header.biWidth;
}

const char* CxImage::GetVersion() {
    return "CxImage 5.99c";
}

float CxImage::GetVersionNumber() {
    return 5.99003f;
}

void CxImage::SetXDPI(LONG dpi) {
    if (dpi < 1) dpi = 96;
    info.xDpi = dpi;
    header.biXPelsPerMeter = DpiToPelsPerMeter(dpi);
}

void CxImage::SetYDPI(LONG dpi) {
    if (dpi < 1) dpi = 96;
    info.yDpi = dpi;
    header.biYPelsPerMeter = DpiToPelsPerMeter(dpi);
}

void CxImage::SetFlags(DWORD flags, bool bLockReservedFlags) {
    info.flags = bLockReservedFlags ? (flags & 0x0000FFFF) : flags;
}

DWORD CxImage::GetCodecOption(DWORD imagetype) const {
    if (imagetype == 0) imagetype = info.type;
    return imagetype < FORMAT_COUNT ? info.codecOptions[imagetype] : 0;
}

bool CxImage::SetCodecOption(DWORD opt, DWORD imagetype) {
    if (imagetype == 0) imagetype = info.type;
    if (imagetype >= FORMAT_COUNT) return false;
    info.codecOptions[imagetype] = opt;
    return true;
}

void CxImage::GetOffset(LONG* x, LONG* y) const {
    if (x) *x = info.xOffset;
    if (y) *y = info.yOffset;
}

void CxImage::SetOffset(LONG x, LONG y) {
    info.xOffset = x;
    info.yOffset = y;
}

void CxImage::FreeMemory(void* memblock) {
    std::free(memblock);
}

void CxImage::SetLastError(const char* text) {
    std::strncpy(info.lastError, text, sizeof(info.lastError) - 1);
    info.lastError[sizeof(info.lastError) - 1] = '\0';
}

std::size_t CxImage::PlaneSize() const {
    return static_cast<std::size_t>(GetWidth()) * GetHeight();
}
