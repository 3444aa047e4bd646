// Where the warping engine's diagnostics go ("Gauss methods failed!"). By
// default each message is one line on standard output, which the workbench
// shows in its debug console; a caller may set a sink of its own.
#pragma once

#include <functional>
#include <string_view>

using WarpMessageSink = std::function<void(std::string_view message)>;

// Replaces the sink; an empty one restores the default. Returns the sink it
// replaced (empty for the default).
WarpMessageSink SetWarpMessageSink(WarpMessageSink sink);

// Hands one message to the sink, on the calling thread. Calls from several
// threads are serialised, so a sink sees one message at a time; a sink must
// not itself report or set a sink.
void ReportWarpMessage(std::string_view message);

// Sets a sink for its lifetime and restores the previous one after.
class CScopedWarpMessageSink {
public:
    explicit CScopedWarpMessageSink(WarpMessageSink sink)
        : m_previous(SetWarpMessageSink(std::move(sink))) {}
    CScopedWarpMessageSink(const CScopedWarpMessageSink&) = delete;
    CScopedWarpMessageSink& operator=(const CScopedWarpMessageSink&) = delete;
    ~CScopedWarpMessageSink() { SetWarpMessageSink(std::move(m_previous)); }

private:
    WarpMessageSink m_previous;
};
