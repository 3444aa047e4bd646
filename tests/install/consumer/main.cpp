// A program of another project using the installed Torvex: it decodes a BMP
// held in memory and warps it with inverse distance weighting.
#include <cstdio>
#include <vector>

#include "image/CxImage.h"
#include "warp/WarpIDW.h"
#include "warp/WarpImage.h"

namespace {

void Put32(std::vector<BYTE>& out, unsigned value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// A 4 x 3 picture at 24 bits per pixel (rows of 12 bytes need no padding).
std::vector<BYTE> SmallBmp() {
    const unsigned width = 4, height = 3, pixelBytes = width * 3 * height;
    std::vector<BYTE> bmp = {'B', 'M'};
    // File header, then the information header: 1 plane of 24 bits, the
    // six fields after those 0.
    for (unsigned field : {14 + 40 + pixelBytes, 0u, 14u + 40, 40u, width, height, 1u | 24u << 16})
        Put32(bmp, field);
    bmp.resize(bmp.size() + 24, 0);
    for (unsigned i = 0; i < pixelBytes; ++i)
        bmp.push_back(static_cast<BYTE>(i * 20));
    return bmp;
}

} // namespace

int main() {
    const std::vector<BYTE> bmp = SmallBmp();
    const CxImage image(bmp.data(), static_cast<DWORD>(bmp.size()), FORMAT_BMP);
    if (!image.IsValid()) {
        std::fprintf(stderr, "decode failed: %s\n", image.GetLastError());
        return 1;
    }
    CWarpIDW method;
    method.AddPair(POINT{1, 1}, POINT{2, 1});
    const auto warped = WarpImage(image, method);
    if (!warped || warped->GetWidth() != 4 || warped->GetHeight() != 3 || warped->GetBpp() != 24) {
        std::fprintf(stderr, "warp gave the wrong image\n");
        return 1;
    }
    std::printf("decoded and warped a %lux%lu image\n",
                static_cast<unsigned long>(image.GetWidth()),
                static_cast<unsigned long>(image.GetHeight()));
    return 0;
}
