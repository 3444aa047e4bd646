#include "tools/WarpBatch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

namespace warpcli {

namespace fs = std::filesystem;

namespace {

// The file a path names, for comparing outputs: absolute, with symbolic
// links of existing folders resolved.
fs::path Identity(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal() : p;
}

// Reports on the error stream from the worker threads, one line at a time;
// a report clears the progress line, which the next file done draws again.
class BatchReporter {
public:
    BatchReporter(std::ostream& err, bool progress, std::size_t total)
        : m_err(err), m_progress(progress), m_total(total) {}

    void Failed(const std::string& message) {
        const std::lock_guard lock(m_mutex);
        if (m_progress) m_err << "\r\033[K";
        m_err << "torvex-warp: " << message << '\n';
        ++m_failed;
    }

    void Done(const std::string& input) {
        const std::lock_guard lock(m_mutex);
        ++m_done;
        if (!m_progress) return;
        m_err << "\r\033[K[" << m_done << '/' << m_total << "] "
              << fs::path(input).filename().string() << std::flush;
    }

    // The summary; returns the exit status.
    int Finish() {
        if (m_progress) m_err << "\r\033[K";
        m_err << "torvex-warp: warped " << m_total - m_failed << " of " << m_total
              << (m_total == 1 ? " file" : " files");
        if (m_failed) m_err << ", " << m_failed << " failed";
        m_err << '\n';
        return m_failed ? kFailure : kSuccess;
    }

private:
    std::mutex m_mutex;
    std::ostream& m_err;
    const bool m_progress;
    const std::size_t m_total;
    std::size_t m_done = 0, m_failed = 0;
};

} // namespace

std::string BatchOutputPath(const std::string& dir, const std::string& input,
                            const std::string& extension) {
    std::string name = fs::path(input).filename().string();
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return (fs::path(dir) / (name + "." + extension)).string();
}

Outcome PlanBatch(WarpOptions& o) {
    o.outputs.clear();
    std::map<fs::path, std::size_t> outputs;
    for (std::size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string out = BatchOutputPath(o.outputDir, o.inputs[i], o.format);
        const fs::path id = Identity(out);
        const auto [it, fresh] = outputs.emplace(id, i);
        if (!fresh)
            return {kUsageError, "'" + o.inputs[it->second] + "' and '" + o.inputs[i] +
                                     "' would both be written to '" + out + "'"};
        o.outputs.push_back(out);
    }
    return {};
}

ThreadSplit SplitThreads(unsigned budget, std::size_t fileCount) {
    budget = std::max(budget, 1u);
    const unsigned files = static_cast<unsigned>(std::clamp<std::size_t>(fileCount, 1, budget));
    return {files, std::max(budget / files, 1u)};
}

int RunBatch(const WarpOptions& o, std::ostream& err, bool progress) {
    std::error_code ec;
    fs::create_directories(o.outputDir, ec);
    if (ec) {
        err << "torvex-warp: cannot create '" << o.outputDir << "': " << ec.message() << '\n';
        return kFailure;
    }
    ApplyLimits(o);
    const unsigned budget = o.threads ? o.threads : std::thread::hardware_concurrency();
    const ThreadSplit split = SplitThreads(budget, o.inputs.size());
    BatchReporter reporter(err, progress, o.inputs.size());
    std::mutex codecs;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < o.inputs.size();) {
            WarpOptions file = o;
            file.input = o.inputs[i];
            file.output = o.outputs[i];
            file.threads = split.threadsPerWarp;
            if (const Outcome r = WarpFile(file, codecs); !r.ok()) reporter.Failed(r.message);
            reporter.Done(o.inputs[i]);
        }
    };
    {
        std::vector<std::jthread> workers;
        try {
            for (unsigned k = 1; k < split.files; ++k)
                workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer workers than planned: the ones there take every file.
        }
        work();
    }
    return reporter.Finish();
}

} // namespace warpcli
