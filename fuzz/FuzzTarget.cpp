// One libFuzzer target: FUZZ_FORMAT, set by the build for each target, names
// the codec (FORMAT_UNKNOWN for the dispatch target).
#include "fuzz/FuzzHarness.h"
#include "image/CxImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzDecode(FUZZ_FORMAT, data, size);
}
