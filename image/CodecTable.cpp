#include "image/CodecTable.h"

#include <algorithm>
#include <vector>

#include "image/codecs/CxImageBMP.h"
#include "image/codecs/CxImageGIF.h"
#include "image/codecs/CxImageICO.h"
#include "image/codecs/CxImageMetafile.h"
#include "image/codecs/CxImageMonoWbmp.h"
#include "image/codecs/CxImagePCX.h"
#include "image/codecs/CxImageTGA.h"

std::span<const CodecEntry> Codecs() {
    // In detection order. WBMP has no signature worth the name (two zero
    // bytes), nor has a TGA file older than 2.0, so a failure of theirs never
    // counts as the file's own under detection.
    static const std::vector<CodecEntry> table = {
        // "BM", or a bare DIB: a known header size
        MakeCodecEntry<CxImageBMP>({FORMAT_BMP, "BMP", {"bmp"}, true, {"bmp"}}),
        // reserved 0, type 1 or 2, at least one image
        MakeCodecEntry<CxImageICO>({FORMAT_ICO, "ICO", {"ico", "cur"}, true, {"ico"}}),
        // "GIF87a", "GIF89a"
        MakeCodecEntry<CxImageGIF>({FORMAT_GIF, "GIF", {"gif"}, true, {"gif"}}),
        // a TGA 2.0 footer, else none
        MakeCodecEntry<CxImageTGA>({FORMAT_TGA, "TGA", {"tga"}, true, {"tga"}}),
        // manufacturer 10, encoding 1
        MakeCodecEntry<CxImagePCX>({FORMAT_PCX, "PCX", {"pcx"}, true, {"pcx"}}),
        // type 0 header
        MakeCodecEntry<CxImageMonoWbmp>({FORMAT_WBMP, "WBMP", {"wbmp"}, true, {"wbmp"}}),
        // placeable key, or an EMF header
        MakeCodecEntry<CxImageMetafile>({FORMAT_WMF, "WMF", {"wmf", "emf"}, false, {"wmf", "emf"}}),
    };
    return table;
}

const CodecEntry* FindCodec(DWORD format) {
    for (const CodecEntry& e : Codecs()) {
        if (e.info.format == format) return &e;
    }
    return nullptr;
}

std::span<const FormatInfo> Formats() {
    static const std::vector<FormatInfo> formats = [] {
        std::vector<FormatInfo> list;
        for (const CodecEntry& e : Codecs())
            list.push_back(e.info);
        std::sort(list.begin(), list.end(),
                  [](const FormatInfo& a, const FormatInfo& b) { return a.format < b.format; });
        return list;
    }();
    return formats;
}
