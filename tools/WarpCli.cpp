#include "tools/WarpCli.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "image/FormatList.h"
#include "tools/WarpBatch.h"
#include "warp/WarpImage.h"
#include "warp/WarpMethodFactory.h"

namespace warpcli {

namespace {

// ".bmp, .gif, ...": the extension each writable format writes, for
// messages; with an empty `dot`, "bmp, gif, ...".
std::string OutputExtensions(const std::string& dot = ".") {
    std::string list;
    for (const FormatInfo& f : Formats())
        if (f.canWrite) list += (list.empty() ? "" : ", ") + dot + f.extensions[0];
    return list;
}

std::string Lowercase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The whole text as one integer of T's range.
template <class T>
bool ParseInt(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

Outcome UsageError(const std::string& message) {
    return {kUsageError, message + "\nTry 'torvex-warp --help'."};
}

// Option values: "--name value" or "--name=value".
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value) {
    const std::string& arg = args[i];
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (arg != name || i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

bool IsOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

Outcome ParseOption(const std::vector<std::string>& args, std::size_t& i, WarpOptions& o) {
    const std::string& arg = args[i];
    std::string value;
    if (IsOption(arg, "--method")) {
        if (!TakeValue(args, i, "--method", value)) return UsageError("--method needs a value");
        if (!MakeWarpMethod(value))
            return UsageError("unknown method '" + value + "' (" + WarpMethodNames() + ")");
        o.method = value;
    } else if (IsOption(arg, "--pair")) {
        ControlPair pair;
        if (!TakeValue(args, i, "--pair", value)) return UsageError("--pair needs a value");
        if (!ParsePair(value, pair)) return UsageError("bad pair '" + value + "' (SX,SY:TX,TY)");
        o.pairs.push_back(pair);
    } else if (IsOption(arg, "--pairs")) {
        if (!TakeValue(args, i, "--pairs", value)) return UsageError("--pairs needs a file");
        return ReadPairsFile(value, o.pairs);
    } else if (IsOption(arg, "--repeat")) {
        LONG k = 0;
        if (!TakeValue(args, i, "--repeat", value)) return UsageError("--repeat needs a count");
        if (!ParseInt(value, k) || k < 0)
            return UsageError("bad repeat count '" + value + "' (0 or more)");
        o.repeat = k;
    } else if (IsOption(arg, "--threads")) {
        LONG n = 0;
        if (!TakeValue(args, i, "--threads", value)) return UsageError("--threads needs a count");
        if (!ParseInt(value, n) || n < 1)
            return UsageError("bad thread count '" + value + "' (1 or more)");
        o.threads = static_cast<unsigned>(n);
    } else if (IsOption(arg, "--max-pixels")) {
        std::uint64_t n = 0;
        if (!TakeValue(args, i, "--max-pixels", value))
            return UsageError("--max-pixels needs a count");
        if (!ParseInt(value, n) || n == 0)
            return UsageError("bad pixel limit '" + value + "' (1 or more)");
        o.maxPixels = n;
    } else if (IsOption(arg, "--output-dir")) {
        if (!TakeValue(args, i, "--output-dir", value) || value.empty())
            return UsageError("--output-dir needs a folder");
        o.outputDir = value;
    } else if (IsOption(arg, "--format")) {
        if (!TakeValue(args, i, "--format", value)) return UsageError("--format needs a value");
        if (OutputFormatNamed(value) == FORMAT_UNKNOWN)
            return UsageError("cannot write format '" + value + "' (use " + OutputExtensions("") +
                              ")");
        o.format = value;
    } else {
        return UsageError("unknown option '" + arg + "'");
    }
    return {};
}

} // namespace

std::string Usage() {
    std::string text =
        R"(Usage: torvex-warp [--method idw|rbf|mls] [--pair SX,SY:TX,TY]... [--pairs FILE]
                   [--repeat K] [--threads N] [--max-pixels N] INPUT OUTPUT
       torvex-warp [OPTIONS] --output-dir DIR [--format FMT] INPUT...

Warps INPUT with control pairs and writes the result to OUTPUT, exactly as
the workbench's "Do Warping" command does. The second form warps every INPUT
with the same method and pairs, several files at once, into DIR.

  --method M        idw (inverse distance weighting), rbf (radial basis
                    functions) or mls (rigid moving least squares, the
                    default, as in a new view).
  --pair SX,SY:TX,TY
                    a control pair: the source point SX,SY moves to TX,TY.
                    View coordinates: x to the right, y down, origin at the
                    top-left pixel. Repeat for more pairs.
  --pairs FILE      read more pairs from FILE, one "SX SY TX TY" a line;
                    blank lines and '#' comments are allowed. Pairs keep the
                    order in which --pair and --pairs appear.
  --repeat K        run the warp K times on one method object (default 1), as
                    pressing "Do Warping" K times: each run warps the previous
                    result and adds the four image corners as fixed pairs
                    again. K = 0 writes INPUT unchanged in OUTPUT's format.
  --threads N       use N threads (default: one per processor); the result
                    is the same for every N. With --output-dir, up to N files
                    are warped at once and the threads left over go inside
                    each warp (3 files on 8 threads: 2 threads each).
  --max-pixels N    refuse an INPUT of more than N pixels (width x height)
                    before anything is allocated for it (default 268435456,
                    16384 x 16384); a larger N also admits blocks of up to 4
                    bytes a pixel.
  --output-dir DIR  write each INPUT to DIR (created when missing), named
                    after the INPUT's file name with its extension replaced
                    by FMT. Two INPUTs that would write the same file are
                    refused as a usage error before anything is read. A
                    file that fails is reported and counted, the others are
                    still warped; a summary line follows on standard error,
                    and a progress line while standard error is a terminal.
  --format FMT      the format (and extension) written with --output-dir:
                    one of FORMATS (default bmp).
  --help            show this text.
  --version         show the program's version.

All runs together may use at most MAXPAIRS pairs (RBFPAIRS with rbf),
counting the four corner pairs each run adds: with P pairs, run k uses
P + 4k. More are refused as a usage error before anything is read.

INPUT may be in any format the image container reads (detected from its
content). OUTPUT's extension chooses the format written: EXTENSIONS. Any other
extension is refused before anything is read or computed.

The output is 24 bits per pixel. "Gauss methods failed!" is printed on
standard output when the radial basis system cannot be solved (that run is
then the identity). Errors go to standard error.

Exit status: 0 success, 2 usage error (bad option, pair, count, limit, too
many pairs, output extension or format, outputs that would clash), 1 anything
else (unreadable input or pairs file, malformed pairs file line, input above
the pixel limit, failed warp or write; with --output-dir, any file failed).
)";
    const std::pair<std::string, std::string> fields[] = {
        {"EXTENSIONS", OutputExtensions()},
        {"FORMATS", OutputExtensions("")},
        {"MAXPAIRS", std::to_string(kMaxPairs)},
        {"RBFPAIRS", std::to_string(kMaxRbfPairs)}};
    for (const auto& [marker, value] : fields)
        for (std::size_t at; (at = text.find(marker)) != std::string::npos;)
            text.replace(at, marker.size(), value);
    return text;
}

std::string VersionLine() {
    return std::string("torvex-warp ") + TORVEX_VERSION + "\n";
}

DWORD OutputFormatFor(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return FORMAT_UNKNOWN;
    return OutputFormatNamed(path.substr(dot + 1));
}

DWORD OutputFormatNamed(const std::string& extension) {
    const std::string ext = Lowercase(extension);
    for (const FormatInfo& f : Formats())
        if (f.canWrite && ext == f.extensions[0]) return f.format;
    return FORMAT_UNKNOWN;
}

bool ParsePair(const std::string& text, ControlPair& pair) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const auto point = [](std::string_view s, POINT& p) {
        const std::size_t comma = s.find(',');
        return comma != std::string_view::npos && ParseInt(s.substr(0, comma), p.x) &&
               ParseInt(s.substr(comma + 1), p.y);
    };
    const std::string_view view(text);
    return point(view.substr(0, colon), pair.source) && point(view.substr(colon + 1), pair.target);
}

Outcome ReadPairsFile(const std::string& path, std::vector<ControlPair>& pairs) {
    std::ifstream in(path);
    if (!in) return {kFailure, path + ": cannot open: " + std::strerror(errno)};
    const auto failure = [&](int number, const std::string& what) {
        return Outcome{kFailure, path + ":" + std::to_string(number) + ": " + what};
    };
    // Room for a whole line of kMaxPairsLine characters and one more, so that
    // a longer line is told by the read that fills the buffer.
    char buffer[kMaxPairsLine + 2];
    for (int number = 1; in.getline(buffer, sizeof buffer) || in.gcount() > 0; ++number) {
        if (in.fail() && !in.eof())
            return failure(number, "line longer than " + std::to_string(kMaxPairsLine));
        std::string line(buffer);
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string w; fields >> w;)
            words.push_back(w);
        if (words.empty()) continue;
        ControlPair p;
        if (words.size() != 4 || !ParseInt(words[0], p.source.x) ||
            !ParseInt(words[1], p.source.y) || !ParseInt(words[2], p.target.x) ||
            !ParseInt(words[3], p.target.y))
            return failure(number, "expected four integers SX SY TX TY");
        if (pairs.size() >= kMaxPairs)
            return failure(number, "more than " + std::to_string(kMaxPairs) + " pairs");
        pairs.push_back(p);
    }
    return {};
}

Outcome ParseArgs(const std::vector<std::string>& args, WarpOptions& o) {
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
            return {};
        } else if (arg == "--version") {
            o.version = true;
            return {};
        } else if (Outcome r = ParseOption(args, i, o); !r.ok()) {
            return r;
        }
    }
    if (!o.outputDir.empty()) {
        if (operands.empty()) return UsageError("expected INPUT... after --output-dir");
        o.inputs = operands;
        if (o.format.empty()) o.format = "bmp";
        o.outputFormat = OutputFormatNamed(o.format);
        if (Outcome r = PlanBatch(o); !r.ok()) return UsageError(r.message);
    } else {
        if (!o.format.empty()) return UsageError("--format goes with --output-dir");
        if (operands.size() != 2) return UsageError("expected INPUT and OUTPUT");
        o.input = operands[0];
        o.output = operands[1];
        o.outputFormat = OutputFormatFor(o.output);
        if (o.outputFormat == FORMAT_UNKNOWN)
            return UsageError("cannot write '" + o.output +
                              "': unsupported output extension (use " + OutputExtensions() + ")");
    }
    // Run k (from 1) uses the given pairs and 4 k corner pairs.
    const std::uint64_t runs = static_cast<std::uint64_t>(o.repeat);
    const std::uint64_t used = runs * o.pairs.size() + 2 * runs * (runs + 1);
    const std::size_t most = o.method == "rbf" ? kMaxRbfPairs : kMaxPairs;
    if (used > most)
        return UsageError("too many pairs for " + o.method + ": " + std::to_string(used) +
                          " over " + std::to_string(runs) + (runs == 1 ? " run" : " runs") +
                          ", counting four corner pairs a run (at most " + std::to_string(most) +
                          ")");
    return {};
}

void ApplyLimits(const WarpOptions& o) {
    CxImage::SetMaxPixels(o.maxPixels);
    // The default block limit is 4 bytes a pixel of the default image limit
    // (the largest buffer an image needs); a larger image limit takes it along.
    const std::uint64_t blockForLimit = o.maxPixels > UINT64_MAX / 4 ? UINT64_MAX : 4 * o.maxPixels;
    CxImage::SetMaxAllocation(std::max(CXIMAGE_DEFAULT_MAX_ALLOCATION, blockForLimit));
}

Outcome WarpFile(const WarpOptions& o, std::mutex& codecs) {
    auto image = std::make_unique<CxImage>();
    std::unique_lock lock(codecs);
    if (!image->Load(o.input.c_str(), FORMAT_UNKNOWN)) {
        const std::string why = *image->GetLastError() ? image->GetLastError() : "cannot open file";
        return {kFailure, "cannot read '" + o.input + "': " + why};
    }
    lock.unlock();
    std::unique_ptr<CWarpMethod> method = MakeWarpMethod(o.method);
    method->SetThreadCount(o.threads);
    for (const ControlPair& p : o.pairs)
        method->AddPair(p.source, p.target);
    for (long k = 0; k < o.repeat; ++k) {
        std::unique_ptr<CxImage> warped = WarpImage(*image, *method);
        if (!warped) return {kFailure, "cannot create the warped image: out of memory"};
        image = std::move(warped);
    }
    lock.lock();
    if (!image->Save(o.output.c_str(), o.outputFormat)) {
        const std::string why =
            *image->GetLastError() ? image->GetLastError() : "cannot create the file";
        return {kFailure, "cannot write '" + o.output + "': " + why};
    }
    return {};
}

Outcome Run(const WarpOptions& o) {
    ApplyLimits(o);
    std::mutex codecs;
    return WarpFile(o, codecs);
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         bool progress) {
    WarpOptions options;
    Outcome r = ParseArgs(args, options);
    if (r.ok() && (options.help || options.version)) {
        out << (options.help ? Usage() : VersionLine());
        return kSuccess;
    }
    if (r.ok() && !options.outputDir.empty()) return RunBatch(options, err, progress);
    if (r.ok()) r = Run(options);
    if (!r.ok()) err << "torvex-warp: " << r.message << '\n';
    return r.status;
}

} // namespace warpcli
