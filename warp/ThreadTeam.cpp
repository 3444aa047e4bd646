#include "warp/ThreadTeam.h"

#include <system_error>

CThreadTeam::CThreadTeam(unsigned wanted) {
    for (unsigned member = 1; member < wanted; ++member) {
        try {
            m_threads.emplace_back([this, member] { Serve(member); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

CThreadTeam::~CThreadTeam() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void CThreadTeam::Run(const std::function<void(unsigned)>& task) {
    {
        std::lock_guard lock(m_mutex);
        m_task = &task;
        m_running = Size() - 1;
        ++m_generation;
    }
    m_wake.notify_all();
    task(0);
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_running == 0; });
    m_task = nullptr;
}

void CThreadTeam::Serve(unsigned member) {
    unsigned long seen = 0;
    for (;;) {
        const std::function<void(unsigned)>* task;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
            task = m_task;
        }
        (*task)(member);
        std::lock_guard lock(m_mutex);
        if (--m_running == 0) m_done.notify_one();
    }
}
