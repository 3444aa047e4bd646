#include "tests/image/codecs/MetafileReference.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testsupport::Decoded;
using testsupport::Run;

namespace metafileref {

namespace {

// Bump when the commands below change, so that old renderings are not reused.
constexpr const char* kPipeline = "r1";

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

// The shell command that writes the rendering of `path` to `ppm`.
std::string Command(const std::string& path, int width, int height, const std::string& scratch) {
    const std::string limit = "timeout -k 5 120 ";
    if (path.ends_with(".emf")) {
        const std::string size =
            width ? " -w " + std::to_string(width) + " -h " + std::to_string(height) : "";
        return limit + "emf2svg-conv -p -i " + Quoted(path) + " -o " + Quoted(scratch + ".svg") +
               " && " + limit + "rsvg-convert -u -b white" + size + " " + Quoted(scratch + ".svg") +
               " -o " + Quoted(scratch + ".png") + " && " + limit + "/usr/bin/convert " +
               Quoted(scratch + ".png") + " -background white -alpha remove -depth 8 " +
               Quoted("ppm:" + scratch);
    }
    const std::string size =
        width ? " -resize " + std::to_string(width) + "x" + std::to_string(height) + "!" : "";
    return limit + "/usr/bin/convert -density 96 " + Quoted("wmf:" + path) +
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
    if (Run("/usr/bin/convert -list format 2>/dev/null | grep -q '^ *WMF\\* *WMF *r'") != 0)
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
    const bool ok = Run(Command(path, width, height, scratch) + " >/dev/null 2>&1") == 0;
    std::optional<Decoded> d = ok ? ReadPpm(scratch) : std::nullopt;
    if (d)
        fs::rename(scratch, key + ".ppm", ec);
    else
        std::ofstream(key + ".failed");
    for (const char* ext : {"", ".svg", ".png"})
        fs::remove(scratch + ext, ec);
    return d;
}

} // namespace metafileref
