// A program of another project using the installed Torvex: it decodes a BMP
// held in memory and warps it with inverse distance weighting.
#include <cstdio>
#include <vector>

#include "image/CxImage.h"
#include "warp/WarpIDW.h"
#include "warp/WarpImage.h"

namespace {

void Put(std::vector<BYTE>& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// A 4 x 3 picture at 24 bits per pixel (rows of 12 bytes need no padding).
std::vector<BYTE> SmallBmp() {
    const unsigned width = 4, height = 3, pixelBytes = width * 3 * height;
    std::vector<BYTE> bmp = {'B', 'M'};
    Put(bmp, 14 + 40 + pixelBytes, 4);
    Put(bmp, 0, 4);
    Put(bmp, 14 + 40, 4);
    Put(bmp, 40, 4);
    Put(bmp, width, 4);
    Put(bmp, height, 4);
    Put(bmp, 1, 2);
    Put(bmp, 24, 2);
    for (int field = 0; field < 6; ++field)
        Put(bmp, 0, 4);
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
