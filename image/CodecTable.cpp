#include "image/CodecTable.h"

#include <vector>

#include "image/codecs/CxImageGIF.h"

std::span<const CodecEntry> Codecs() {
    // Detection order: BMP, ICO, GIF, TGA, PCX, WBMP, WMF.
    static const std::vector<CodecEntry> table = {
        MakeCodecEntry<CxImageGIF>(FORMAT_GIF),
    };
    return table;
}

const CodecEntry* FindCodec(DWORD format) {
    for (const CodecEntry& e : Codecs()) {
        if (e.format == format) return &e;
    }
    return nullptr;
}
