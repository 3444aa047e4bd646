// CxImage: the in-memory raster image. It owns one packed DIB block (40-byte
// info header, palette, bottom-up pixel rows padded to 4 bytes) plus optional
// alpha plane, selection mask and layers, and carries an info record with the
// format id, resolution, transparency and the text of the last error.
//
// Coordinates of the pixel operations are (x, y) with y = 0 the bottom row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Gdi.h"
#include "platform/WinTypes.h"

enum ImageFormat : DWORD {
    FORMAT_UNKNOWN = 0,
    FORMAT_BMP = 1,
    FORMAT_GIF = 2,
    FORMAT_ICO = 3,
    FORMAT_TGA = 4,
    FORMAT_PCX = 5,
    FORMAT_WBMP = 6,
    FORMAT_WMF = 7,
    FORMAT_COUNT = 8,
};

// How GetPixelColorInterpolated samples between pixel centres. Any other
// value samples bilinearly.
enum InterpolationMethod : int {
    InterpolateNearest = 1,
    InterpolateBilinear = 2,
    InterpolateBSpline = 3,
    InterpolateBicubic = 4,
    InterpolateBicubic2 = 5,
    InterpolateLanczos = 6,
    InterpolateBox = 7,
    InterpolateHermite = 8,
    InterpolateHamming = 9,
    InterpolateSinc = 10,
    InterpolateBlackman = 11,
    InterpolateBessel = 12,
    InterpolateGaussian = 13,
    InterpolateQuadratic = 14,
    InterpolateMitchell = 15,
    InterpolateCatrom = 16,
};

// What a position outside the image yields.
enum OverflowMethod : int {
    OverflowFixedColor = 1,  // the replacement colour
    OverflowBackground = 2,  // the transparent colour, else the replacement colour
    OverflowTransparent = 3, // a transparent colour
    OverflowWrap = 4,        // the image tiles the plane
    OverflowClampToEdge = 5, // the nearest edge pixel
    OverflowMirror = 6,      // the image is reflected at its edges
};

// Upper bound of width * height * bpp / 256 that Create accepts.
inline constexpr unsigned long long CXIMAGE_MAX_MEMORY = 256000000ULL;

// Default limits (see CxImage::SetMaxPixels): 16384 x 16384 pixels, and one
// block of 1 GiB, which holds 4 bytes a pixel at that size.
inline constexpr std::uint64_t CXIMAGE_DEFAULT_MAX_PIXELS = std::uint64_t{1} << 28;
inline constexpr std::uint64_t CXIMAGE_DEFAULT_MAX_ALLOCATION = std::uint64_t{1} << 30;

class CxImage;
class CxFile;
struct CodecEntry;

struct ImageInfo {
    DWORD effWidth;           // row width in bytes, padded to a multiple of 4
    BYTE* pixels;             // first pixel row inside the DIB block
    CxImage* ghostOf;         // the body image when this object is a ghost
    CxImage* parent;          // owner image of a layer
    DWORD type;               // format id
    char lastError[256];      // text of the last error, NUL-terminated
    LONG progress;            // progress counter that codecs may advance
    LONG escape;              // non-zero stops a codec; -1 asks for the dimensions only
    LONG transIndex;          // transparent palette index, -1 for none
    RGBQUAD transColor;       // transparent colour of true-colour images
    BYTE jpegQuality;         // kept for the record; 90
    BYTE jpegScale;           // kept for the record; 0
    LONG frame;               // frame to read from a multi-frame file
    LONG numFrames;           // frames found by a multi-frame decoder
    DWORD frameDelay;         // delay of an animation frame
    LONG xDpi;                // horizontal resolution in dots per inch
    LONG yDpi;                // vertical resolution in dots per inch
    RECT selectionBox;        // bounding box of the selection
    BYTE alphaMax;            // global alpha limit
    bool alphaPaletteEnabled; // the fourth palette byte is an alpha value
    bool enabled;             // painting enabled
    LONG xOffset;             // placement offset of a frame or icon
    LONG yOffset;
    DWORD codecOptions[FORMAT_COUNT]; // one option word per format id
    RGBQUAD lastColor;                // key of the nearest-colour cache
    BYTE lastColorIndex;              // answer of the nearest-colour cache
    bool lastColorValid;              // the cache holds a valid answer
    LONG numLayers;                   // entries in layers
    DWORD flags;                      // user flag word
};

class CxImage {
public:
    // Construction and lifetime
    explicit CxImage(DWORD imagetype = FORMAT_UNKNOWN);
    CxImage(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype = FORMAT_UNKNOWN);
    CxImage(const CxImage& src, bool copypixels = true, bool copyselection = true,
            bool copyalpha = true);
    // Load or decode at construction; the image is empty when that fails.
    CxImage(const char* filename, DWORD imagetype);
    CxImage(std::FILE* stream, DWORD imagetype);
    CxImage(CxFile* stream, DWORD imagetype);
    CxImage(const BYTE* buffer, DWORD size, DWORD imagetype);
    CxImage& operator=(const CxImage& src);
    virtual ~CxImage();

    void Startup(DWORD imagetype = FORMAT_UNKNOWN);
    void* Create(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype = FORMAT_UNKNOWN);
    bool Destroy();
    void Copy(const CxImage& src, bool copypixels = true, bool copyselection = true,
              bool copyalpha = true);
    void CopyInfo(const CxImage& src);
    bool Transfer(CxImage& from);
    void Ghost(CxImage* from);
    void Clear(BYTE bval = 0);

    // Accessors
    bool IsValid() const { return dib != nullptr; }
    const char* GetLastError() const { return info.lastError; }
    DWORD GetWidth() const { return static_cast<DWORD>(header.biWidth); }
    DWORD GetHeight() const { return static_cast<DWORD>(header.biHeight); }
    WORD GetBpp() const { return header.biBitCount; }
    DWORD GetEffWidth() const { return info.effWidth; }
    DWORD GetNumColors() const { return header.biClrUsed; }
    DWORD GetPaletteSize() const { return header.biClrUsed * static_cast<DWORD>(sizeof(RGBQUAD)); }
    RGBQUAD* GetPalette() const;
    DWORD GetType() const { return info.type; }
    void* GetDIB() const { return dib; }
    DWORD GetSize() const;
    BYTE* GetBits(DWORD row = 0) const;
    bool IsInside(LONG x, LONG y) const;
    static const char* GetVersion();
    static float GetVersionNumber();
    LONG GetXDPI() const { return info.xDpi; }
    LONG GetYDPI() const { return info.yDpi; }
    void SetXDPI(LONG dpi);
    void SetYDPI(LONG dpi);
    DWORD GetFlags() const { return info.flags; }
    void SetFlags(DWORD flags, bool bLockReservedFlags = true);
    DWORD GetCodecOption(DWORD imagetype = 0) const;
    bool SetCodecOption(DWORD opt, DWORD imagetype = 0);
    BYTE GetJpegQuality() const { return info.jpegQuality; }
    void SetJpegQuality(BYTE q) { info.jpegQuality = q; }
    BYTE GetJpegScale() const { return info.jpegScale; }
    void SetJpegScale(BYTE s) { info.jpegScale = s; }
    LONG GetProgress() const { return info.progress; }
    void SetProgress(LONG p) { info.progress = p; }
    LONG GetEscape() const { return info.escape; }
    void SetEscape(LONG e) { info.escape = e; }
    LONG GetFrame() const { return info.frame; }
    void SetFrame(LONG f) { info.frame = f; }
    LONG GetNumFrames() const { return info.numFrames; }
    DWORD GetFrameDelay() const { return info.frameDelay; }
    void SetFrameDelay(DWORD d) { info.frameDelay = d; }
    void GetOffset(LONG* x, LONG* y) const;
    void SetOffset(LONG x, LONG y);
    bool IsEnabled() const { return info.enabled; }
    void Enable(bool enable = true) { info.enabled = enable; }
    static void FreeMemory(void* memblock);

    // Limits on what the container allocates for an image, checked before
    // anything is allocated: the pixels of one image (width x height), and
    // the bytes of one block (a DIB block, an alpha plane or selection, a
    // decoder's buffer sized by the image). Create, the planes and every
    // decoder refuse what exceeds them. They hold for the whole process
    // (decoders' inner images and the warping run's result included).
    static std::uint64_t GetMaxPixels();
    static void SetMaxPixels(std::uint64_t pixels);
    static std::uint64_t GetMaxAllocation();
    static void SetMaxAllocation(std::uint64_t bytes);
    // Whether the limits admit an image of width x height at bpp (normalised
    // as Create does); when not, why (if given) names the size and the limit.
    static bool FitsLimits(std::uint64_t width, std::uint64_t height, DWORD bpp,
                           std::string* why = nullptr);
    // The same for a block of `bytes` that an image of width x height needs.
    static bool FitsAllocation(std::uint64_t width, std::uint64_t height, std::uint64_t bytes,
                               std::string* why = nullptr);

    // Format dispatch. Decoding with FORMAT_UNKNOWN tries every codec in
    // detection order; Load falls back to detection when the named codec
    // fails. When detection fails, the text of the first codec that
    // recognised its signature in the file (see CodecTable.h) is the error;
    // without one, "Decode: Unknown or wrong format", or with Load and a
    // named format, that codec's text. A failed decode leaves this image as
    // it was.
    bool Load(const char* filename, DWORD imagetype = FORMAT_UNKNOWN);
    bool Decode(CxFile* stream, DWORD imagetype);
    bool Decode(std::FILE* stream, DWORD imagetype);
    bool Decode(const BYTE* buffer, DWORD size, DWORD imagetype);
    // Writes the file only when the encode succeeded, so a failed save never
    // damages an existing file. A codec that refuses an image before writing
    // anything writes straight into the file; others encode into memory first.
    bool Save(const char* filename, DWORD imagetype);
    bool Encode(CxFile* stream, DWORD imagetype);
    bool Encode(std::FILE* stream, DWORD imagetype);
    // Encodes into a new block the caller frees with FreeMemory; buffer must be null.
    bool Encode(BYTE*& buffer, long& size, DWORD imagetype);
    // Several images in one file (animations); GIF only.
    bool Encode(CxFile* stream, CxImage** images, int count, DWORD imagetype);
    bool Encode(std::FILE* stream, CxImage** images, int count, DWORD imagetype);
    // True, with the reason in lastError, when there is nothing to encode or nowhere to write it.
    bool EncodeSafeCheck(CxFile* stream);

    // Colour conversions
    static RGBQUAD RGBtoRGBQUAD(COLORREF cr);
    static COLORREF RGBQUADtoRGB(RGBQUAD c);

    // Pixel access, checked: safe for any coordinates and on an empty image
    bool IsIndexed() const { return header.biClrUsed != 0; }
    BYTE GetPixelIndex(LONG x, LONG y) const;
    void SetPixelIndex(LONG x, LONG y, BYTE i);
    RGBQUAD GetPixelColor(LONG x, LONG y, bool bGetAlpha = true) const;
    void SetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha = false);
    void SetPixelColor(LONG x, LONG y, COLORREF cr);
    BYTE GetNearestIndex(RGBQUAD c);

    // Pixel access, unchecked, for inner loops that know (x, y) is inside.
    // BlindGetPixelIndex and BlindGetPixelColor throw the int 0 instead of
    // touching memory when their precondition does not hold.
    BYTE BlindGetPixelIndex(LONG x, LONG y) const;
    RGBQUAD BlindGetPixelColor(LONG x, LONG y) const;
    BYTE* BlindGetPixelPointer(LONG x, LONG y) const;

    // Palette
    RGBQUAD GetPaletteColor(BYTE idx) const;
    void SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha = 0);
    void SetPaletteColor(BYTE idx, RGBQUAD c);
    void SetPaletteColor(BYTE idx, COLORREF cr);
    void SetPalette(const RGBQUAD* pPal, DWORD nColors = 256);
    void SetPalette(DWORD n, const BYTE* r, const BYTE* g = nullptr, const BYTE* b = nullptr);
    void SetGrayPalette();
    bool IsGrayScale() const;

    // Transparency
    bool IsTransparent() const { return info.transIndex >= 0; }
    LONG GetTransIndex() const { return info.transIndex; }
    void SetTransIndex(LONG idx) { info.transIndex = idx; }
    RGBQUAD GetTransColor() const;
    void SetTransColor(RGBQUAD rgb);

    // Alpha plane
    bool AlphaIsValid() const { return alpha != nullptr; }
    void AlphaCreate();
    void AlphaDelete();
    void AlphaSet(LONG x, LONG y, BYTE level);
    BYTE AlphaGet(LONG x, LONG y) const;
    BYTE* AlphaGetPointer(LONG x, LONG y) const;
    bool AlphaFlip();
    bool AlphaMirror();
    bool AlphaPaletteIsValid() const;

    // Whole-image transforms: upside down, left to right (alpha plane
    // included; the selection is dropped), and inverted colours.
    bool Flip();
    bool Mirror();
    bool Negative();

    // Selection
    bool SelectionDelete();
    bool SelectionIsInside(LONG x, LONG y) const;

    // Positions outside the image and between pixel centres. The replacement
    // colour defaults to white with a fourth byte of 0.
    void OverflowCoordinates(LONG& x, LONG& y, OverflowMethod ofMethod) const;
    void OverflowCoordinates(float& x, float& y, OverflowMethod ofMethod) const;
    RGBQUAD GetPixelColorWithOverflow(LONG x, LONG y, OverflowMethod ofMethod = OverflowFixedColor,
                                      const RGBQUAD* rplColor = nullptr) const;
    RGBQUAD GetPixelColorInterpolated(float x, float y,
                                      InterpolationMethod inMethod = InterpolateBilinear,
                                      OverflowMethod ofMethod = OverflowFixedColor,
                                      const RGBQUAD* rplColor = nullptr) const;

    // Interpolation kernels: the weight of a pixel at signed distance d.
    static float KernelBSpline(float d);
    static float KernelCubic(float d);
    static float KernelGeneralizedCubic(float d, float a);
    static float KernelLanczosSinc(float d, float radius);
    static float KernelBox(float d);
    static float KernelHermite(float d);
    static float KernelHamming(float d);
    static float KernelSinc(float d);
    static float KernelBlackman(float d);
    static float KernelBessel(float d);
    static float KernelBessel_Order1(float u); // J1, the Bessel function of order one
    static float KernelGaussian(float d);
    static float KernelQuadratic(float d);
    static float KernelMitchell(float d);
    static float KernelCatrom(float d);

    // Presentation: paints the image at (x, y) on a device context, stretched
    // to cx x cy (a negative size is the image's own), limited to the clip
    // box and the optional clip rectangle, composited over the device's
    // pixels when the image has transparency or alpha. 0 when nothing was
    // attempted, else 1.
    LONG Draw(HDC hdc, LONG x = 0, LONG y = 0, LONG cx = -1, LONG cy = -1,
              const RECT* pClipRect = nullptr, bool bSmooth = false) const;
    LONG Draw(HDC hdc, const RECT& rect, const RECT* pClipRect = nullptr,
              bool bSmooth = false) const;

protected:
    BYTE* dib;               // the DIB block, or null
    BITMAPINFOHEADER header; // the authoritative width, height and depth
    ImageInfo info;
    BYTE* selection;  // width * height bytes, or null
    BYTE* alpha;      // width * height bytes, or null
    CxImage** layers; // numLayers layer images, or null

    // Runs one codec's decoder and takes over its image on success; message
    // receives the text the codec gave (empty when it gave none).
    bool DecodeWith(const CodecEntry& codec, CxFile* stream, std::string& message);
    // Tries every codec in detection order from the stream's position. On
    // failure the stream is back there and message holds the text of the
    // first codec that recognised its signature and gave one, else nothing.
    bool Detect(CxFile* stream, std::string& message);
    // Save's path for a codec that refuses an image before writing anything.
    bool SaveStraight(const char* filename, DWORD imagetype);
    // Runs a codec's work (a callable returning its result); a CodecFailure
    // it throws becomes false, with its text (if any) in lastError. Defined
    // in image/codecs/CodecError.h.
    template <class Work>
    bool RunCodec(Work work);
    // Calls visit for every selected pixel inside the selection box.
    void ForEachSelectedPixel(void (*visit)(CxImage&, LONG, LONG));
    // Sets lastError to the given text.
    void SetLastError(const char* text);
    // Byte offset of pixel (x, y) from `pixels`, at the image's depth.
    std::size_t PixelOffset(LONG x, LONG y) const;
    // width * height, the size of an alpha plane or selection mask.
    std::size_t PlaneSize() const;
    // A new plane of PlaneSize bytes (uninitialised), or null when the
    // allocation limit refuses it or the heap has no room.
    BYTE* AllocatePlane() const;
};
