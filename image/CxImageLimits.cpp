// The container's limits: the largest image (in pixels) and the largest
// single block it allocates, settable by callers, and the checks that name
// the size and the limit when they refuse.
#include <atomic>
#include <string>

#include "image/CxImage.h"
#include "image/DibLayout.h"

namespace {

// Read on every Create; written by callers between decodes. Relaxed atomics
// keep a setting made on one thread from being a data race on another.
std::atomic<std::uint64_t> maxPixels{CXIMAGE_DEFAULT_MAX_PIXELS};
std::atomic<std::uint64_t> maxAllocation{CXIMAGE_DEFAULT_MAX_ALLOCATION};

std::string SizeText(std::uint64_t width, std::uint64_t height) {
    return "Image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

} // namespace

std::uint64_t CxImage::GetMaxPixels() {
    return maxPixels.load(std::memory_order_relaxed);
}

void CxImage::SetMaxPixels(std::uint64_t pixels) {
    maxPixels.store(pixels, std::memory_order_relaxed);
}

std::uint64_t CxImage::GetMaxAllocation() {
    return maxAllocation.load(std::memory_order_relaxed);
}

void CxImage::SetMaxAllocation(std::uint64_t bytes) {
    maxAllocation.store(bytes, std::memory_order_relaxed);
}

bool CxImage::FitsLimits(std::uint64_t width, std::uint64_t height, DWORD bpp, std::string* why) {
    // Both factors are below 2^32, so the product is exact.
    const std::uint64_t pixels = width * height, limit = GetMaxPixels();
    if (width < (std::uint64_t{1} << 32) && height < (std::uint64_t{1} << 32) && pixels <= limit)
        return FitsAllocation(width, height, DibBlockSize(width, height, NormalizedBpp(bpp)), why);
    if (why)
        *why =
            SizeText(width, height) + " exceeds the limit of " + std::to_string(limit) + " pixels";
    return false;
}

bool CxImage::FitsAllocation(std::uint64_t width, std::uint64_t height, std::uint64_t bytes,
                             std::string* why) {
    const std::uint64_t limit = GetMaxAllocation();
    if (bytes <= limit) return true;
    if (why)
        *why = SizeText(width, height) + " needs a block of " + std::to_string(bytes) +
               " bytes, more than the limit of " + std::to_string(limit);
    return false;
}
