// The torvex-warp command line: option parsing, the pairs file, the table of
// output formats, and the run itself (what "Do Warping" does, K times), for
// one file or, with --output-dir, for several (WarpBatch.h).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "warp/WarpMethod.h"

namespace warpcli {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;

// The most pairs all runs together may use, counting the four corner pairs
// each run adds (a run of n pairs uses n, the next n + 4, ...): a run costs
// time in proportion to pixels x pairs, and its radial basis system n x n
// doubles of memory and n^3 steps to solve.
inline constexpr std::size_t kMaxPairs = 10000;
inline constexpr std::size_t kMaxRbfPairs = 4000;
// The longest line of a pairs file.
inline constexpr std::size_t kMaxPairsLine = 4096;

struct ControlPair {
    POINT source;
    POINT target;
};

struct WarpOptions {
    std::string method = "mls"; // idw, rbf or mls; mls is what a new view starts with
    std::vector<ControlPair> pairs;
    long repeat = 1;
    unsigned threads = 0; // 0: one per hardware thread
    std::string input;
    std::string output;
    DWORD outputFormat = FORMAT_UNKNOWN;
    // The batch form: every operand is an input, each written into outputDir
    // under its own base name with the extension `format`.
    std::string outputDir;
    std::string format;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;                     // one per input, derived by ParseArgs
    std::uint64_t maxPixels = CXIMAGE_DEFAULT_MAX_PIXELS; // the container's image limit
    bool help = false;
    bool version = false;
};

// The outcome of a step that may fail: a status and, on failure, the message.
struct Outcome {
    int status = kSuccess;
    std::string message;
    bool ok() const { return status == kSuccess; }
};

// The --help text.
std::string Usage();
// The --version line: "torvex-warp <version>".
std::string VersionLine();

// The format an output file name asks for by its extension (any letter
// case): a writable format's first extension (FormatList.h), or
// FORMAT_UNKNOWN.
DWORD OutputFormatFor(const std::string& path);
// The same for an extension without its dot ("bmp", "GIF").
DWORD OutputFormatNamed(const std::string& extension);

// "SX,SY:TX,TY" with signed 32-bit integers.
bool ParsePair(const std::string& text, ControlPair& pair);

// Appends the pairs of a file: one "SX SY TX TY" a line, blank lines and
// '#' comments allowed. A malformed line, a line longer than kMaxPairsLine
// and a pair beyond kMaxPairs fail with "FILE:LINE: ...".
Outcome ReadPairsFile(const std::string& path, std::vector<ControlPair>& pairs);

// Parses the arguments after the program name. Usage errors (more pairs than
// the method's maximum among them) give kUsageError, an unreadable or
// malformed pairs file kFailure.
Outcome ParseArgs(const std::vector<std::string>& args, WarpOptions& options);

// Sets the container's pixel and block limits from options.maxPixels.
void ApplyLimits(const WarpOptions& options);

// Reads options.input, warps it options.repeat times with one method object
// holding the pairs, and writes options.output. Reading and writing hold
// `codecs` (the codecs and the drawing layer they use are not made for
// several threads); the warp does not. Errors are returned with the image
// container's last-error text where there is one.
Outcome WarpFile(const WarpOptions& options, std::mutex& codecs);

// ApplyLimits, then WarpFile.
Outcome Run(const WarpOptions& options);

// The whole program: parse, run, report on `out` and `err`; the exit status.
// `progress` asks a batch for its progress line on `err` (for a terminal).
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         bool progress = false);

} // namespace warpcli
