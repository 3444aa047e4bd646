// The list of formats against what it describes: the format ids, the codecs
// that write, the fuzz targets and the seed folders.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "image/FormatList.h"
#include "tests/image/codecs/CodecTestSupport.h"

namespace fs = std::filesystem;

TEST(FormatList, EveryFormatIdOnceInIdOrderWithLowerCaseExtensions) {
    const auto formats = Formats();
    ASSERT_EQ(formats.size(), std::size_t{FORMAT_COUNT - 1});
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const FormatInfo& f = formats[i];
        EXPECT_EQ(f.format, DWORD(i + 1));
        EXPECT_TRUE(f.name && *f.name) << i;
        ASSERT_TRUE(f.extensions[0]) << f.name;
        ASSERT_TRUE(f.seedFolders[0]) << f.name;
        for (const char* ext : f.extensions)
            for (const char* c = ext; c && *c; ++c)
                EXPECT_TRUE(std::islower(static_cast<unsigned char>(*c))) << f.name;
    }
}

TEST(FormatList, WritableFormatsAreTheOnesWhoseCodecWrites) {
    // The smallest depth every encoder takes somewhere: 1 bit (WBMP) or 8.
    CxImage oneBit(9, 7, 1), eightBit(9, 7, 8);
    for (const FormatInfo& f : Formats()) {
        const bool wrote = !codectest::EncodeBytes(oneBit, f.format).empty() ||
                           !codectest::EncodeBytes(eightBit, f.format).empty();
        EXPECT_EQ(wrote, f.canWrite) << f.name;
    }
}

TEST(FormatList, SeedFoldersAndFuzzTargetsAreTheListedOnes) {
    const fs::path seeds = fs::path(TORVEX_SOURCE_DIR) / "fuzz" / "seeds";
    std::set<std::string> onDisk, listed;
    for (const auto& e : fs::directory_iterator(seeds))
        if (e.is_directory()) onDisk.insert(e.path().filename().string());
    std::stringstream cmake;
    cmake << std::ifstream(fs::path(TORVEX_SOURCE_DIR) / "fuzz" / "CMakeLists.txt").rdbuf();
    for (const FormatInfo& f : Formats()) {
        for (const char* folder : f.seedFolders)
            if (folder) listed.insert(folder);
        const std::string target = std::string(f.seedFolders[0]) + " FORMAT_" + f.name;
        EXPECT_NE(cmake.str().find(target), std::string::npos) << "no fuzz target " << target;
    }
    EXPECT_EQ(onDisk, listed);
}
