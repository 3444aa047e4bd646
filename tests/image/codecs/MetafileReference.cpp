#include "tests/image/codecs/MetafileReference.h"

#include "tests/image/codecs/CodecTestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testsupport::Decoded;
using testsupport::Run;

namespace metafileref {

namespace {

// Bump when the commands below change, so that old renderings are not reused.
constexpr const char* kPipeline = "r6";

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

std::string CacheDir() {
    return std::string(TORVEX_BINARY_DIR) + "/metafile-references";
}

// A binary PPM (P6, maxval 255) as RGBA.
std::optional<Decoded> ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Decoded d;
    if (!(in >> magic >> d.width >> d.height >> maxval) || magic != "P6" || maxval != 255 ||
        d.width <= 0 || d.height <= 0)
        return std::nullopt;
    in.get();
    std::vector<char> rgb(std::size_t(d.width) * d.height * 3);
    if (!in.read(rgb.data(), std::streamsize(rgb.size()))) return std::nullopt;
    d.rgba.reserve(rgb.size() / 3 * 4);
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        d.rgba.insert(d.rgba.end(), {std::uint8_t(rgb[i]), std::uint8_t(rgb[i + 1]),
                                     std::uint8_t(rgb[i + 2]), 255});
    return d;
}

std::int16_t S16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int16_t>(b[at] | b[at + 1] << 8);
}

// The frame of a WMF in logical units, as our player takes it: the first
// window origin and extent among the records, else the placeable header's
// bounding box; nothing when neither is there. `from` is where the frame
// takes effect: after the window extent record, else the first record.
struct WmfFrameAt {
    std::array<int, 4> box;
    std::size_t from;
};
std::optional<WmfFrameAt> WmfFrame(const std::vector<std::uint8_t>& b, std::size_t records) {
    int org[2] = {0, 0};
    for (std::size_t at = records; at + 10 <= b.size();) {
        const std::size_t words =
            b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::size_t(b[at + 3]) << 24;
        const int function = b[at + 4] | b[at + 5] << 8;
        if (words < 3 || function == 0 || 2 * words > b.size() - at) break;
        if (function == 0x020B) org[0] = S16(b, at + 8), org[1] = S16(b, at + 6);
        if (function == 0x020C)
            return WmfFrameAt{{org[0], org[1], org[0] + S16(b, at + 8), org[1] + S16(b, at + 6)},
                              at + 2 * words};
        at += 2 * words;
    }
    if (records == 40) return WmfFrameAt{{S16(b, 6), S16(b, 8), S16(b, 10), S16(b, 12)}, records};
    return std::nullopt;
}

// ImageMagick's WMF reader scales the bounds of what is drawn, rather than
// the picture's frame, onto the picture. A copy of the file that sets a
// white pixel in two opposite corners of the frame, as soon as the window
// that makes the frame is set, makes the two the same.
// A frame with a flipped axis is left alone: the reader mirrors the picture
// once such pixels are there, while without them it matches the frame.
bool WriteWithFrameCorners(const std::string& path, const std::string& out) {
    std::vector<std::uint8_t> b = codectest::ReadFileBytes(path);
    const bool placeable =
        b.size() >= 4 && b[0] == 0xD7 && b[1] == 0xCD && b[2] == 0xC6 && b[3] == 0x9A;
    const std::size_t header = placeable ? 22 : 0, records = header + 18;
    if (b.size() < records) return false;
    const auto frame = WmfFrame(b, records);
    if (frame && frame->box[2] > frame->box[0] && frame->box[3] > frame->box[1]) {
        const auto [left, top, right, bottom] = frame->box;
        std::vector<std::uint8_t> pixels;
        for (const auto& [x, y] : {std::pair{left, top}, std::pair{right - 1, bottom - 1}})
            pixels.insert(pixels.end(),
                          {7, 0, 0, 0, 0x1F, 0x04, 0xFF, 0xFF, 0xFF, 0, std::uint8_t(y),
                           std::uint8_t(y >> 8), std::uint8_t(x), std::uint8_t(x >> 8)});
        std::uint32_t words = b[header + 6] | b[header + 7] << 8 | b[header + 8] << 16 |
                              std::uint32_t(b[header + 9]) << 24;
        words += pixels.size() / 2;
        for (int i = 0; i < 4; ++i)
            b[header + 6 + i] = std::uint8_t(words >> 8 * i);
        b.insert(b.begin() + long(frame->from), pixels.begin(), pixels.end());
    }
    return codectest::WriteFileBytes(out, b);
}

std::int32_t S32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                     std::uint32_t(b[at + 3]) << 24);
}

// emf2svg maps the header's bounds (what is drawn, in device pixels) onto
// the picture, where Windows maps the picture frame (0.01 mm). A copy of the
// file whose bounds are its frame in the recording device's pixels, as our
// player converts it, makes the two the same. A file without a usable frame
// or device size, or with a flipped frame, is copied as it is.
bool WriteWithFrameAsBounds(const std::string& path, const std::string& out) {
    std::vector<std::uint8_t> b = codectest::ReadFileBytes(path);
    if (b.size() < 88) return false;
    const double devX = S32(b, 72), devY = S32(b, 76), mmX = S32(b, 80), mmY = S32(b, 84);
    std::array<double, 4> frame{};
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
        for (std::size_t i = 0; i < 4; ++i)
            frame[i] = S32(b, 24 + 4 * i) * (i % 2 ? devY / mmY : devX / mmX) / 100;
    }
    if (frame[2] - frame[0] >= 1 && frame[3] - frame[1] >= 1) {
        for (std::size_t i = 0; i < 4; ++i) {
            const auto v = static_cast<std::uint32_t>(
                static_cast<std::int32_t>(std::lround(std::clamp(frame[i], -1e9, 1e9))));
            for (std::size_t k = 0; k < 4; ++k)
                b[8 + 4 * i + k] = std::uint8_t(v >> 8 * k);
        }
    }
    return codectest::WriteFileBytes(out, b);
}

// Whether `timeout` stopped the command: it exits with 124, or 137 when
// the command had to be killed.
bool TimedOut(int status) {
    return status == 124 || status == 137;
}

// The shell command that writes the rendering of `path` to `ppm`.
std::string Command(const std::string& path, int width, int height, const std::string& scratch) {
    const std::string limit = "timeout -k 5 120 ";
    if (path.ends_with(".emf")) {
        const std::string size =
            width ? " -w " + std::to_string(width) + " -h " + std::to_string(height) : "";
        if (!WriteWithFrameAsBounds(path, scratch + ".emf")) return "false";
        return limit + "emf2svg-conv -p -i " + Quoted(scratch + ".emf") + " -o " +
               Quoted(scratch + ".svg") + " && " + limit + "rsvg-convert -u -b white" + size + " " +
               Quoted(scratch + ".svg") + " -o " + Quoted(scratch + ".png") + " && " + limit +
               "/usr/bin/convert " + Quoted(scratch + ".png") +
               " -background white -alpha remove -depth 8 " + Quoted("ppm:" + scratch);
    }
    const std::string size =
        width ? " -resize " + std::to_string(width) + "x" + std::to_string(height) + "!" : "";
    if (!WriteWithFrameCorners(path, scratch + ".wmf")) return "false";
    return limit + "/usr/bin/convert -density 96 " + Quoted("wmf:" + scratch + ".wmf") +
           " -background white -flatten" + size + " -depth 8 " + Quoted("ppm:" + scratch);
}

} // namespace

std::string Sha256Hex(const std::string& path) {
    std::FILE* p = popen(("sha256sum " + Quoted(path) + " 2>/dev/null").c_str(), "r");
    if (!p) return "";
    char hex[65] = {};
    const bool ok = std::fscanf(p, "%64s", hex) == 1;
    pclose(p);
    return ok ? hex : "";
}

std::string MissingRenderers() {
    for (const char* tool : {"emf2svg-conv", "rsvg-convert", "sha256sum", "timeout"}) {
        if (Run(std::string("command -v ") + tool + " >/dev/null") != 0)
            return std::string(tool) + " is missing";
    }
    if (!testsupport::HaveMagick()) return "ImageMagick's convert is missing";
    if (!testsupport::MagickReads("WMF"))
        return "ImageMagick cannot read WMF (libmagickcore-6.q16-6-extra)";
    return "";
}

std::optional<Decoded> Render(const std::string& path, int width, int height) {
    const std::string sha = Sha256Hex(path);
    if (sha.empty()) return std::nullopt;
    std::error_code ec;
    fs::create_directories(CacheDir(), ec);
    const std::string key = CacheDir() + "/" + sha + "-" + std::to_string(width) + "x" +
                            std::to_string(height) + "-" + kPipeline;
    if (fs::exists(key + ".failed")) return std::nullopt;
    if (std::optional<Decoded> cached = ReadPpm(key + ".ppm")) return cached;
    const std::string scratch = key + "-part";
    const int status = Run(Command(path, width, height, scratch) + " >/dev/null 2>&1");
    std::optional<Decoded> d = status == 0 ? ReadPpm(scratch) : std::nullopt;
    // A renderer that ran out of time may manage on a quieter machine, so
    // only its other failures are remembered.
    if (d)
        fs::rename(scratch, key + ".ppm", ec);
    else if (!TimedOut(status))
        std::ofstream(key + ".failed");
    for (const char* ext : {"", ".svg", ".png", ".wmf", ".emf"})
        fs::remove(scratch + ext, ec);
    return d;
}

} // namespace metafileref
