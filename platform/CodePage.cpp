// Code page conversion through the C library's iconv, one converter per code
// page kept open for the life of the process.
#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <map>
#include <memory>
#include <string>

namespace {

struct CharsetPage {
    BYTE charset;
    UINT codePage;
};

constexpr CharsetPage kCharsets[] = {
    {2, kSymbolCodePage}, {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
    {136, 950},           {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
    {186, 1257},          {204, 1251}, {222, 874},  {238, 1250}, {255, 437},
};

// Whether a byte starts a two-byte character in a double-byte code page.
bool IsLeadByte(UINT codePage, BYTE b) {
    switch (codePage) {
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    case 1361:
        return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default:
        return false;
    }
}

std::string IconvName(UINT codePage) {
    return codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
}

// One character of one or two bytes; U+FFFD when it does not convert.
char32_t DecodeOne(iconv_t cd, const BYTE* bytes, std::size_t n) {
    char in[2] = {static_cast<char>(bytes[0]), n > 1 ? static_cast<char>(bytes[1]) : '\0'};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = n, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || outLeft != sizeof out - 4)
        return U'\uFFFD';
    return static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) |
                                 (static_cast<char32_t>(out[3]) << 24));
}

// A code page's converter to UTF-32LE (null when the C library has none)
// and the characters of its 256 single bytes.
struct PageDecoder {
    PageDecoder() = default;
    PageDecoder(const PageDecoder&) = delete;
    PageDecoder& operator=(const PageDecoder&) = delete;
    ~PageDecoder() {
        if (cd) iconv_close(cd);
    }

    iconv_t cd = nullptr;
    std::array<char32_t, 256> single{};
};

const PageDecoder* Decoder(UINT codePage) {
    static std::map<UINT, std::unique_ptr<PageDecoder>> open;
    auto& slot = open[codePage];
    if (slot) return slot->cd ? slot.get() : nullptr;
    slot = std::make_unique<PageDecoder>();
    iconv_t cd = iconv_open("UTF-32LE", IconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    slot->cd = cd;
    for (unsigned b = 0; b < 256; ++b) {
        const BYTE byte = static_cast<BYTE>(b);
        slot->single[b] = DecodeOne(cd, &byte, 1);
    }
    return slot.get();
}

} // namespace

UINT CodePageOfCharset(BYTE charset) {
    for (const CharsetPage& c : kCharsets) {
        if (c.charset == charset) return c.codePage;
    }
    return 1252;
}

std::vector<DecodedChar> DecodeCodePage(std::span<const BYTE> bytes, UINT codePage) {
    std::vector<DecodedChar> chars;
    chars.reserve(bytes.size());
    if (codePage == kSymbolCodePage) {
        for (BYTE b : bytes)
            chars.push_back(DecodedChar{0xF000u + b, 1});
        return chars;
    }
    const PageDecoder* page = Decoder(codePage);
    if (!page) page = Decoder(codePage = 1252);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = IsLeadByte(codePage, bytes[i]) && i + 1 < bytes.size() ? 2 : 1;
        const char32_t code = !page    ? bytes[i]
                              : n == 1 ? page->single[bytes[i]]
                                       : DecodeOne(page->cd, bytes.data() + i, n);
        chars.push_back(DecodedChar{code, static_cast<unsigned>(n)});
        i += n;
    }
    return chars;
}
