#include "fuzz/FuzzHarness.h"

#include "image/CxImage.h"

// Any single allocation above 128 MB ends the run as a finding: the
// container's limits (set below) must refuse such images first.
extern "C" const char* __asan_default_options() {
    return "max_allocation_size_mb=128:detect_leaks=1";
}

namespace {

// Limits that keep every run quick: 2048 x 2048 pixels, 16 MB a block (the
// largest buffer, 4 bytes a pixel, at that size).
void SetFuzzLimits() {
    CxImage::SetMaxPixels(std::uint64_t{1} << 22);
    CxImage::SetMaxAllocation(std::uint64_t{1} << 24);
}

// Whether the codec reads back exactly the colours it wrote for this image.
// A 1-bit PCX file is always black and white, whatever palette the image has.
bool KeepsEveryColour(const CxImage& img) {
    switch (img.GetType()) {
    case FORMAT_BMP:
    case FORMAT_TGA:
    case FORMAT_WBMP:
        return true;
    case FORMAT_PCX:
        return img.GetBpp() != 1;
    default:
        return false;
    }
}

bool SameColours(const CxImage& a, const CxImage& b) {
    const LONG width = static_cast<LONG>(a.GetWidth()), height = static_cast<LONG>(a.GetHeight());
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            if (!(a.GetPixelColor(x, y, false) == b.GetPixelColor(x, y, false))) return false;
        }
    }
    return true;
}

void Expect(bool condition) {
    if (!condition) __builtin_trap();
}

// Writes the image with its own codec and reads the file back. Only small
// images go round, to keep the runs quick.
void RoundTrip(CxImage& img) {
    const DWORD format = img.GetType();
    if (std::uint64_t{img.GetWidth()} * img.GetHeight() > (1u << 16)) return;
    BYTE* encoded = nullptr;
    long size = 0;
    if (format == FORMAT_WMF || !img.Encode(encoded, size, format)) return;
    CxImage back;
    const bool decoded = back.Decode(encoded, static_cast<DWORD>(size), format);
    CxImage::FreeMemory(encoded);
    Expect(decoded && back.GetWidth() == img.GetWidth() && back.GetHeight() == img.GetHeight());
    if (KeepsEveryColour(img)) Expect(SameColours(img, back));
}

} // namespace

int FuzzDecode(DWORD format, const std::uint8_t* data, std::size_t size) {
    SetFuzzLimits();
    CxImage img;
    if (!img.Decode(data, static_cast<DWORD>(size), format)) {
        Expect(!img.IsValid());
        return 0;
    }
    Expect(img.IsValid() && img.GetWidth() > 0 && img.GetHeight() > 0);
    RoundTrip(img);
    return 0;
}
