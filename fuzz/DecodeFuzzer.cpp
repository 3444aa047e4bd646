// libFuzzer harness over the format dispatch: every input is decoded with
// format detection, so each codec in the table is fuzzed, and a decoded image
// is written as BMP and read back.
//
// Allocations above 64 MB fail (return null) instead of stopping the run, so
// the fuzzer reports faults rather than out-of-memory exits on inputs that
// merely claim huge images; the decoders must cope with that failure.
#include <cstddef>
#include <cstdint>

#include "image/CxImage.h"

extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64:detect_leaks=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CxImage img;
    if (!img.Decode(data, static_cast<DWORD>(size), FORMAT_UNKNOWN)) return 0;
    BYTE* encoded = nullptr;
    long encodedSize = 0;
    if (img.Encode(encoded, encodedSize, FORMAT_BMP)) {
        CxImage again;
        again.Decode(encoded, static_cast<DWORD>(encodedSize), FORMAT_BMP);
        CxImage::FreeMemory(encoded);
    }
    return 0;
}
