#include "image/CodecTable.h"

#include <vector>

std::span<const CodecEntry> Codecs() {
    // Detection order: BMP, ICO, GIF, TGA, PCX, WBMP, WMF.
    static const std::vector<CodecEntry> table = {};
    return table;
}

const CodecEntry* FindCodec(DWORD format) {
    for (const CodecEntry& e : Codecs()) {
        if (e.format == format) return &e;
    }
    return nullptr;
}
