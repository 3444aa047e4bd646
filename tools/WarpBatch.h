// torvex-warp's batch form: several inputs warped into one folder with the
// same method and pairs, files in parallel.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "tools/WarpCli.h"

namespace warpcli {

// DIR/NAME.EXT: NAME is the input's file name without its last extension
// ("a/frame.01.png" gives "frame.01"; a leading dot is no extension).
std::string BatchOutputPath(const std::string& dir, const std::string& input,
                            const std::string& extension);

// Fills o.outputs from o.inputs, o.outputDir and o.format. Fails, before
// anything is read or written, when two inputs would write the same file
// (so no output overwrites another input either; an input may be its own
// output, as in the one-file form).
Outcome PlanBatch(WarpOptions& o);

// How a budget of threads is shared: `files` warps at once, each on
// `threadsPerWarp` threads, never more than the budget in all (at least one
// of each).
struct ThreadSplit {
    unsigned files;
    unsigned threadsPerWarp;
};
ThreadSplit SplitThreads(unsigned budget, std::size_t fileCount);

// Warps every input into its output: the budget of threads (o.threads, or
// one per hardware thread) goes first to files warped at once, the rest to
// the threads inside each warp. A failed file is reported on `err`
// (its name and the container's message) and counted, and the rest go on; a
// summary line ends the batch. With `progress`, a line "\r[DONE/ALL] NAME"
// is kept up to date on `err`. Returns kFailure when any file failed.
int RunBatch(const WarpOptions& o, std::ostream& err, bool progress);

} // namespace warpcli
