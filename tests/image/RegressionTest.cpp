// Inputs that once broke a decoder (tests/data/regressions/): each is read
// with every format and with detection, and must decode to a valid image or
// be refused; the sanitizer build turns any fault into a failure.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/image/codecs/CodecTestSupport.h"

namespace fs = std::filesystem;

TEST(RegressionInputs, EveryFileDecodesOrIsRefused) {
    int files = 0;
    for (const auto& e :
         fs::directory_iterator(fs::path(TORVEX_SOURCE_DIR) / "tests" / "data" / "regressions")) {
        if (e.path().extension() == ".md") continue;
        SCOPED_TRACE(e.path().filename().string());
        const codectest::Bytes data = codectest::ReadFileBytes(e.path().string());
        for (DWORD format = FORMAT_UNKNOWN; format < FORMAT_COUNT; ++format) {
            CxImage img;
            if (codectest::DecodeBytes(data, format, img)) {
                EXPECT_GT(std::uint64_t{img.GetWidth()} * img.GetHeight(), 0u) << format;
            } else {
                EXPECT_FALSE(img.IsValid()) << format;
            }
        }
        ++files;
    }
    std::printf("[ regressions ] %d files\n", files);
}
