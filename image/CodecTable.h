// The table of codecs behind the format dispatch, in detection order. A codec
// is a CxImage subclass constructed with no arguments, with
//   bool Decode(CxFile*)  filling the object itself, and
//   bool Encode(CxFile*)  writing the pixels of the image it is a ghost of;
// a codec that also has
//   bool Encode(CxFile*, CxImage** images, int count, bool localColorMap)
// serves the multi-image encode, and one with
//   static bool HasSignature(CxFile*)
// (a look at the first bytes, leaving the stream where it was) tells format
// detection that a file it failed on is really of its format, so that its
// message reaches the caller. A codec with
//   static constexpr bool kRefusesBeforeWriting = true
// fails only before its first write (or on a failed write), so a save may
// stream it straight into the file. Adding a codec is one line in CodecTable.cpp:
// the codec class and its format's entry (FormatList.h).
#pragma once

#include <memory>
#include <span>

#include "image/CxFile.h"
#include "image/CxImage.h"
#include "image/FormatList.h"

struct CodecEntry {
    FormatInfo info;
    std::unique_ptr<CxImage> (*create)();
    bool (*decode)(CxImage& codec, CxFile* file);
    bool (*encode)(CxImage& codec, CxFile* file);
    // Null when the format holds one image only.
    bool (*encodeMulti)(CxImage& codec, CxFile* file, CxImage** images, int count);
    // Null when the format has no signature to recognise it by.
    bool (*hasSignature)(CxFile* file);
    bool refusesBeforeWriting;
};

template <class Codec>
CodecEntry MakeCodecEntry(const FormatInfo& info) {
    CodecEntry e{info,
                 [] { return std::unique_ptr<CxImage>(new Codec()); },
                 [](CxImage& c, CxFile* f) { return static_cast<Codec&>(c).Decode(f); },
                 [](CxImage& c, CxFile* f) { return static_cast<Codec&>(c).Encode(f); },
                 nullptr,
                 nullptr,
                 false};
    if constexpr (requires(Codec & c, CxFile * f, CxImage * *p) { c.Encode(f, p, 1, false); }) {
        e.encodeMulti = [](CxImage& c, CxFile* f, CxImage** p, int n) {
            return static_cast<Codec&>(c).Encode(f, p, n, false);
        };
    }
    if constexpr (requires(CxFile * f) { Codec::HasSignature(f); })
        e.hasSignature = &Codec::HasSignature;
    if constexpr (requires { Codec::kRefusesBeforeWriting; })
        e.refusesBeforeWriting = Codec::kRefusesBeforeWriting;
    return e;
}

// Every codec, in detection order.
std::span<const CodecEntry> Codecs();
// The codec of a format id, or null when there is none.
const CodecEntry* FindCodec(DWORD format);
