// The torvex-warp command line: option parsing, the pairs file, the table of
// output formats, and the run itself (what "Do Warping" does, K times).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
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
inline constexpr std::size_t kMaxRbfPairs = 2000;
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
    std::string input;
    std::string output;
    DWORD outputFormat = FORMAT_UNKNOWN;
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
// case), or FORMAT_UNKNOWN when no encoder serves it.
DWORD OutputFormatFor(const std::string& path);

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

// The method object of a method name, or null for an unknown name.
std::unique_ptr<CWarpMethod> MakeMethod(const std::string& name);

// Sets the container's pixel limit, reads the input, warps it options.repeat
// times with one method object holding the pairs, and writes the output. Errors are returned with
// the image container's last-error text where there is one.
Outcome Run(const WarpOptions& options);

// The whole program: parse, run, report on `out` and `err`; the exit status.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace warpcli
