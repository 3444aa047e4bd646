// The image formats the container knows, one entry each: the codec table
// (CodecTable.cpp) holds them beside their codecs, and torvex-warp, the fuzz
// targets and the tests read them from here.
#pragma once

#include <array>
#include <span>

#include "platform/WinTypes.h"

struct FormatInfo {
    DWORD format;     // FORMAT_BMP, ...
    const char* name; // "BMP"
    // File extensions, lower case without the dot; the first is the one a
    // written file gets. Unused places are null.
    std::array<const char*, 2> extensions;
    bool canWrite;
    // Folders of sample files under fuzz/seeds/ (and of the shared corpus);
    // the first also names the format's fuzz target. Unused places are null.
    std::array<const char*, 2> seedFolders;
};

// Every format, in format id order.
std::span<const FormatInfo> Formats();
