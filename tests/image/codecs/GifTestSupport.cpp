#include "tests/image/codecs/GifTestSupport.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <unistd.h>

#include "image/CxMemFile.h"

namespace giftest {

RGBQUAD GlobalColor(int i) {
    return {static_cast<BYTE>(i * 13 + 7), static_cast<BYTE>(i * 91), static_cast<BYTE>(i * 37), 0};
}

RGBQUAD LocalColor(int i) {
    return {static_cast<BYTE>(255 - i * 29), static_cast<BYTE>(i * 53 + 100),
            static_cast<BYTE>(i * 17 + 3), 0};
}

namespace {

void Put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutTable(Bytes& b, int colors, RGBQUAD (*color)(int)) {
    for (int i = 0; i < colors; ++i) {
        const RGBQUAD c = color(i);
        b.insert(b.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
}

int SizeExponent(int colors) {
    int e = 0;
    while ((2 << e) < colors)
        ++e;
    return e;
}

// Rows in the order an interlaced file stores them.
std::vector<int> InterlaceOrder(int height) {
    std::vector<int> rows;
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int r = starts[pass]; r < height; r += steps[pass])
            rows.push_back(r);
    }
    return rows;
}

} // namespace

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes PackCodes(const std::vector<std::pair<int, int>>& codeWidths) {
    Bytes packed;
    unsigned long acc = 0;
    int bits = 0;
    for (const auto& [code, width] : codeWidths) {
        acc |= static_cast<unsigned long>(code) << bits;
        bits += width;
        while (bits >= 8) {
            packed.push_back(static_cast<std::uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) packed.push_back(static_cast<std::uint8_t>(acc & 0xFF));
    Bytes out;
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), packed.begin() + i, packed.begin() + i + n);
    }
    out.push_back(0);
    return out;
}

Bytes LiteralLzw(const std::vector<int>& pixels, int minCodeSize) {
    const int clear = 1 << minCodeSize, width = minCodeSize + 1;
    const int perClear = (1 << minCodeSize) - 2;
    std::vector<std::pair<int, int>> codes;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % perClear == 0) codes.push_back({clear, width});
        codes.push_back({pixels[i], width});
    }
    codes.push_back({clear + 1, width});
    Bytes out{static_cast<std::uint8_t>(minCodeSize)};
    const Bytes data = PackCodes(codes);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

GifBuilder& GifBuilder::Header(int width, int height, int globalColors, const char* signature) {
    bytes.assign(signature, signature + 6);
    Put16(bytes, width);
    Put16(bytes, height);
    const int flags = globalColors ? 0x80 | 0x70 | SizeExponent(globalColors) : 0;
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(flags), 0, 0});
    PutTable(bytes, globalColors, GlobalColor);
    return *this;
}

GifBuilder& GifBuilder::Control(int disposal, int transIndex, int delay) {
    const int flags = (disposal << 2) | (transIndex >= 0 ? 1 : 0);
    bytes.insert(bytes.end(), {0x21, 0xF9, 4, static_cast<std::uint8_t>(flags)});
    Put16(bytes, delay);
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(transIndex & 0xFF), 0});
    return *this;
}

GifBuilder& GifBuilder::Loop(int loops, const char* name) {
    bytes.insert(bytes.end(), {0x21, 0xFF, 11});
    bytes.insert(bytes.end(), name, name + 11);
    bytes.insert(bytes.end(), {3, 1});
    Put16(bytes, loops);
    bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    bytes.insert(bytes.end(), {0x21, 0xFE, static_cast<std::uint8_t>(text.size())});
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Descriptor(int left, int top, int width, int height, int flags) {
    bytes.push_back(0x2C);
    Put16(bytes, left);
    Put16(bytes, top);
    Put16(bytes, width);
    Put16(bytes, height);
    bytes.push_back(static_cast<std::uint8_t>(flags));
    return *this;
}

GifBuilder& GifBuilder::Image(int left, int top, int width, int height,
                              const std::vector<int>& pixels, int minCodeSize, int localColors,
                              bool interlaced) {
    int flags = interlaced ? 0x40 : 0;
    if (localColors) flags |= 0x80 | SizeExponent(localColors);
    Descriptor(left, top, width, height, flags);
    PutTable(bytes, localColors, LocalColor);
    std::vector<int> ordered = pixels;
    if (interlaced) {
        ordered.clear();
        for (int r : InterlaceOrder(height))
            ordered.insert(ordered.end(), pixels.begin() + r * width,
                           pixels.begin() + (r + 1) * width);
    }
    return Raw(LiteralLzw(ordered, minCodeSize));
}

GifBuilder& GifBuilder::Raw(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
}

GifBuilder& GifBuilder::Trailer() {
    bytes.push_back(0x3B);
    return *this;
}

namespace {

int Get16(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8);
}

// Reads sub-blocks from pos, through the terminator; returns their contents.
Bytes ReadSubBlocks(const Bytes& b, std::size_t& pos, std::vector<int>* sizes = nullptr) {
    Bytes out;
    while (pos < b.size()) {
        const int n = b[pos++];
        if (n == 0) break;
        if (sizes) sizes->push_back(n);
        out.insert(out.end(), b.begin() + pos, b.begin() + std::min(b.size(), pos + n));
        pos += n;
    }
    return out;
}

} // namespace

GifLayout ParseLayout(const Bytes& b) {
    GifLayout layout;
    layout.width = Get16(b, 6);
    layout.height = Get16(b, 8);
    layout.flags = b.at(10);
    std::size_t pos = 13;
    if (layout.flags & 0x80) pos += 3 * (2 << (layout.flags & 7));
    while (pos < b.size() && b[pos] != 0x3B) {
        if (b[pos] == 0x21) {
            const int label = b.at(pos + 1);
            pos += 2;
            const std::size_t n = b.at(pos);
            layout.extensions.push_back(
                {label, Bytes(b.begin() + pos + 1, b.begin() + pos + 1 + n)});
            ReadSubBlocks(b, pos);
            continue;
        }
        GifImageInfo img;
        img.left = Get16(b, pos + 1);
        img.top = Get16(b, pos + 3);
        img.width = Get16(b, pos + 5);
        img.height = Get16(b, pos + 7);
        img.flags = b.at(pos + 9);
        pos += 10;
        if (img.flags & 0x80) pos += 3 * (2 << (img.flags & 7));
        img.minCodeSize = b.at(pos++);
        img.data = ReadSubBlocks(b, pos, &img.blockSizes);
        layout.images.push_back(img);
    }
    return layout;
}

std::vector<int> ReadCodes(const Bytes& data, int minCodeSize) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    int size = minCodeSize + 1, slot = clear + 2, top = 1 << size;
    bool first = true;
    std::vector<int> codes;
    std::size_t bitPos = 0;
    while (bitPos + size <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < size; ++i, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
        codes.push_back(code);
        if (code == end) break;
        if (code == clear) {
            size = minCodeSize + 1;
            slot = clear + 2;
            top = 1 << size;
            first = true;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (slot < top) ++slot;
        if (slot >= top && size < 12) {
            top <<= 1;
            ++size;
        }
    }
    return codes;
}

Bytes EncodeGif(CxImage& image, int codecOption) {
    image.SetCodecOption(static_cast<DWORD>(codecOption), FORMAT_GIF);
    BYTE* buffer = nullptr;
    long size = 0;
    if (!image.Encode(buffer, size, FORMAT_GIF)) return {};
    Bytes out(buffer, buffer + size);
    CxImage::FreeMemory(buffer);
    return out;
}

bool DecodeGif(const Bytes& file, CxImage& image, int frame) {
    image.SetFrame(frame);
    return image.Decode(file.data(), static_cast<DWORD>(file.size()), FORMAT_GIF);
}

std::string TempPath(const std::string& name) {
    return testsupport::TempFile(std::to_string(getpid()) + "_" + name);
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::optional<std::vector<testsupport::Decoded>> MagickFrames(const std::string& path,
                                                              int maxFrames) {
    if (!testsupport::HaveMagick()) return std::nullopt;
    const std::string raw = TempPath("coalesced.rgba");
    const std::string cmd = "/usr/bin/convert '" + path + "[0-" + std::to_string(maxFrames - 1) +
                            "]' -coalesce -format '%w %h\\n' -write info:- 'rgba:" + raw +
                            "' 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return std::nullopt;
    std::vector<testsupport::Decoded> frames;
    testsupport::Decoded d;
    while (std::fscanf(p, "%d %d\n", &d.width, &d.height) == 2)
        frames.push_back(d);
    if (pclose(p) != 0 || frames.empty()) return std::nullopt;
    const Bytes all = ReadFileBytes(raw);
    std::remove(raw.c_str());
    std::size_t pos = 0;
    for (auto& f : frames) {
        const std::size_t n = static_cast<std::size_t>(f.width) * f.height * 4;
        if (pos + n > all.size()) return std::nullopt;
        f.rgba.assign(all.begin() + pos, all.begin() + pos + n);
        pos += n;
    }
    return frames;
}

Bytes ToRgbaWithTransparency(const CxImage& image) {
    Bytes out;
    const LONG w = static_cast<LONG>(image.GetWidth()), h = static_cast<LONG>(image.GetHeight());
    for (LONG row = h - 1; row >= 0; --row) {
        for (LONG x = 0; x < w; ++x) {
            const bool clear = image.IsIndexed() && image.IsTransparent() &&
                               image.GetPixelIndex(x, row) == image.GetTransIndex();
            const RGBQUAD c = image.GetPixelColor(x, row, false);
            if (clear) {
                out.insert(out.end(), {0, 0, 0, 0});
            } else {
                out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue, 255});
            }
        }
    }
    return out;
}

Bytes NormaliseTransparent(const Bytes& rgba) {
    Bytes out = rgba;
    for (std::size_t i = 0; i + 3 < out.size(); i += 4) {
        if (out[i + 3] == 0) out[i] = out[i + 1] = out[i + 2] = 0;
    }
    return out;
}

CxImage MakeImage(int width, int height, int bpp, unsigned seed) {
    CxImage img(static_cast<DWORD>(width), static_cast<DWORD>(height), static_cast<DWORD>(bpp));
    std::mt19937 rng(seed);
    const int colors = static_cast<int>(img.GetNumColors());
    for (int i = 0; i < colors; ++i)
        img.SetPaletteColor(static_cast<BYTE>(i), GlobalColor(i));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (colors) {
                img.SetPixelIndex(x, y, static_cast<BYTE>(rng() % colors));
            } else {
                img.SetPixelColor(x, y,
                                  RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()),
                                          static_cast<BYTE>(rng()), 0});
            }
        }
    }
    return img;
}

} // namespace giftest
