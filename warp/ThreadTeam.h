// A fixed team of threads that runs one task on every member at once: the
// calling thread is member 0, the others wait between tasks.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CThreadTeam {
public:
    // Up to `wanted` members (at least the caller); fewer when the system
    // refuses more threads.
    explicit CThreadTeam(unsigned wanted);
    CThreadTeam(const CThreadTeam&) = delete;
    CThreadTeam& operator=(const CThreadTeam&) = delete;
    ~CThreadTeam();

    unsigned Size() const { return static_cast<unsigned>(m_threads.size()) + 1; }
    // Runs task(member) on every member and returns when all have finished.
    void Run(const std::function<void(unsigned member)>& task);

    // The part [begin, end) of `count` items that member `member` of `size` takes.
    static std::size_t PartBegin(std::size_t count, unsigned member, unsigned size) {
        return count * member / size;
    }

private:
    void Serve(unsigned member);

    std::vector<std::jthread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    const std::function<void(unsigned)>* m_task = nullptr;
    unsigned long m_generation = 0;
    unsigned m_running = 0;
    bool m_stop = false;
};
