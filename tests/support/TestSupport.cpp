#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

std::string CorpusDir() {
    if (const char* env = std::getenv("TORVEX_CORPUS")) return fs::is_directory(env) ? env : "";
    const fs::path dir = fs::path(TORVEX_SOURCE_DIR) / ".." / "shared" / "corpus";
    return fs::is_directory(dir) ? dir.lexically_normal().string() : "";
}

std::vector<std::vector<std::string>> ReadTsv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    for (std::string line, cell; std::getline(in, line);) {
        std::stringstream cells(line);
        for (rows.emplace_back(); std::getline(cells, cell, '\t');)
            rows.back().push_back(cell);
    }
    return rows;
}

const std::map<std::string, OracleRow>& Oracle() {
    static const std::map<std::string, OracleRow> rows = [] {
        std::map<std::string, OracleRow> table;
        const auto lines = ReadTsv(CorpusDir() + "/ORACLE.tsv"); // none without the corpus
        for (std::size_t r = 1; r < lines.size(); ++r) {
            for (std::size_t i = 0; !lines[r].empty() && i < lines[0].size(); ++i)
                table[lines[r][0]][lines[0][i]] = i < lines[r].size() ? lines[r][i] : "";
        }
        return table;
    }();
    return rows;
}

std::vector<std::string> CorpusFiles(const std::string& folder) {
    std::vector<std::string> files;
    const std::string dir = CorpusDir();
    if (dir.empty() || !fs::is_directory(dir + "/" + folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(dir + "/" + folder)) {
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> CorpusMetafiles() {
    std::vector<std::string> files;
    for (const char* type : {"wmf", "emf"}) {
        for (const std::string& f : CorpusFiles(type))
            if (f.ends_with(std::string(".") + type)) files.push_back(f);
    }
    return files;
}

std::string Md5Hex(const std::vector<std::uint8_t>& bytes) {
    static const int kShift[4][4] = {
        {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    static const int kStep[4] = {1, 5, 3, 7}, kStart[4] = {0, 1, 5, 0}; // message word order
    std::vector<std::uint8_t> msg = bytes;
    msg.push_back(0x80);
    msg.resize((msg.size() + 71) / 64 * 64 - 8, 0);
    for (int i = 0; i < 8; ++i)
        msg.push_back(std::uint8_t(std::uint64_t{bytes.size()} * 8 >> (8 * i)));
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t chunk = 0; chunk < msg.size(); chunk += 64) {
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0, r = 0; i < 64; r = ++i / 16) {
            const std::uint32_t f = r == 0   ? (b & c) | (~b & d)
                                    : r == 1 ? (d & b) | (~d & c)
                                    : r == 2 ? b ^ c ^ d
                                             : c ^ (b | ~d);
            const std::uint8_t* m = &msg[chunk + 4 * ((kStep[r] * i + kStart[r]) % 16)];
            const std::uint32_t sum =
                a + f + std::uint32_t(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0)) +
                (m[0] | m[1] << 8 | m[2] << 16 | std::uint32_t{m[3]} << 24);
            a = d, d = c, c = b;
            b += sum << kShift[r][i % 4] | sum >> (32 - kShift[r][i % 4]);
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    std::string hex;
    for (int i = 0; i < 16; ++i) {
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02x", (h[i / 4] >> (8 * (i % 4))) & 0xFF);
        hex += buf;
    }
    return hex;
}

namespace {

std::vector<std::uint8_t> Dump(const CxImage& img, bool withAlpha) {
    std::vector<std::uint8_t> out;
    for (LONG row = LONG(img.GetHeight()) - 1; img.IsValid() && row >= 0; --row) {
        for (LONG x = 0; x < LONG(img.GetWidth()); ++x) {
            const RGBQUAD c = img.GetPixelColor(x, row, true);
            out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
            if (withAlpha) out.push_back(img.AlphaIsValid() ? c.rgbReserved : 255);
        }
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> ToRgb8(const CxImage& img) {
    return Dump(img, false);
}
std::vector<std::uint8_t> ToRgba8(const CxImage& img) {
    return Dump(img, true);
}

bool HaveMagick() {
    return fs::exists("/usr/bin/convert");
}

bool MagickReads(const std::string& format) {
    // A coder's line: "  WMF* WMF  r--  Windows Meta File" (the name, '*' when
    // native, its module, then the modes: r for read).
    const std::string cmd = "/usr/bin/convert -list format 2>/dev/null | grep -Eq '^ *" + format +
                            "[*+]? +[A-Z0-9]+ +r'";
    return HaveMagick() && Run(cmd) == 0;
}

bool MagickHasFont(const std::string& name) {
    // "  Font: Times-Roman" is followed by its fields, "    glyphs: FILE" among them.
    const std::string cmd = "f=$(/usr/bin/convert -list font 2>/dev/null | awk '$1 == \"Font:\" "
                            "{font = $2} font == \"" +
                            name + "\" && $1 == \"glyphs:\" {print $2; exit}') && test -f \"$f\"";
    return HaveMagick() && Run(cmd) == 0;
}

int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string TempFile(const std::string& name) {
    // ctest runs tests in parallel processes: the process id keeps names apart.
    return (fs::path(testing::TempDir()) / ("torvex_" + std::to_string(getpid()) + "_" + name))
        .string();
}

std::string TestTempFile(const std::string& name) {
    return TempFile(std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                    "_" + name);
}

std::string ReadFile(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

std::optional<Decoded> MagickDecode(const std::string& path, int frame) {
    if (!HaveMagick()) return std::nullopt;
    // Call the real convert directly: the machine may have a wrapper of the
    // same name earlier on the PATH.
    const std::string cmd = "/usr/bin/convert '" + path + "[0-" + std::to_string(frame) +
                            "]' -coalesce -delete 0--2 -auto-orient -format '%w %h\\n' -write "
                            "info:- -depth 8 rgba:- 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return std::nullopt;
    Decoded d;
    // Read the size line on its own: scanf's "\n" would also swallow pixel
    // bytes that happen to look like white space.
    char line[64];
    const bool sized =
        std::fgets(line, sizeof line, p) && std::sscanf(line, "%d %d", &d.width, &d.height) == 2;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        d.rgba.insert(d.rgba.end(), buf, buf + n);
    if (pclose(p) != 0 || !sized || d.rgba.size() != std::size_t(d.width) * d.height * 4)
        return std::nullopt;
    return d;
}

} // namespace testsupport
