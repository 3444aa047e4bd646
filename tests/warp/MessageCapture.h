// Collects the warping engine's messages, one line each, for its lifetime.
#pragma once

#include <string>
#include <utility>

#include "warp/WarpMessages.h"

class MessageCapture {
public:
    MessageCapture() : m_sink([this](std::string_view m) { (m_lines += m) += '\n'; }) {}

    // The lines so far; starts afresh.
    std::string Take() { return std::exchange(m_lines, {}); }

private:
    std::string m_lines;
    CScopedWarpMessageSink m_sink;
};
