// The torvex-warp command line: option parsing, the pairs file, the table of
// output formats, and the run itself (what "Do Warping" does, K times).
#pragma once

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
// '#' comments allowed. A malformed line fails with "FILE:LINE: ...".
Outcome ReadPairsFile(const std::string& path, std::vector<ControlPair>& pairs);

// Parses the arguments after the program name. Usage errors give kUsageError,
// an unreadable or malformed pairs file kFailure.
Outcome ParseArgs(const std::vector<std::string>& args, WarpOptions& options);

// The method object of a method name, or null for an unknown name.
std::unique_ptr<CWarpMethod> MakeMethod(const std::string& name);

// Reads the input, warps it options.repeat times with one method object
// holding the pairs, and writes the output. Errors are returned with the
// image container's last-error text where there is one.
Outcome Run(const WarpOptions& options);

// The whole program: parse, run, report on `out` and `err`; the exit status.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace warpcli
