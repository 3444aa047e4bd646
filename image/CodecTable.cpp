#include "image/CodecTable.h"

#include <vector>

#include "image/codecs/CxImageBMP.h"
#include "image/codecs/CxImageICO.h"
#include "image/codecs/CxImageMonoWbmp.h"
#include "image/codecs/CxImagePCX.h"
#include "image/codecs/CxImageTGA.h"

std::span<const CodecEntry> Codecs() {
    // Detection order: BMP, ICO, GIF, TGA, PCX, WBMP, WMF.
    static const std::vector<CodecEntry> table = {
        MakeCodecEntry<CxImageBMP>(FORMAT_BMP),       MakeCodecEntry<CxImageICO>(FORMAT_ICO),
        MakeCodecEntry<CxImageTGA>(FORMAT_TGA),       MakeCodecEntry<CxImagePCX>(FORMAT_PCX),
        MakeCodecEntry<CxImageMonoWbmp>(FORMAT_WBMP),
    };
    return table;
}

const CodecEntry* FindCodec(DWORD format) {
    for (const CodecEntry& e : Codecs()) {
        if (e.format == format) return &e;
    }
    return nullptr;
}
