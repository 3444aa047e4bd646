#include "image/CodecTable.h"

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
        MakeCodecEntry<CxImageBMP>(FORMAT_BMP),       // "BM", or a bare DIB: a known header size
        MakeCodecEntry<CxImageICO>(FORMAT_ICO),       // reserved 0, type 1 or 2, at least one image
        MakeCodecEntry<CxImageGIF>(FORMAT_GIF),       // "GIF87a", "GIF89a"
        MakeCodecEntry<CxImageTGA>(FORMAT_TGA),       // a TGA 2.0 footer, else none
        MakeCodecEntry<CxImagePCX>(FORMAT_PCX),       // manufacturer 10, encoding 1
        MakeCodecEntry<CxImageMonoWbmp>(FORMAT_WBMP), // type 0 header
        MakeCodecEntry<CxImageMetafile>(FORMAT_WMF),  // placeable key, or an EMF header
    };
    return table;
}

const CodecEntry* FindCodec(DWORD format) {
    for (const CodecEntry& e : Codecs()) {
        if (e.format == format) return &e;
    }
    return nullptr;
}
