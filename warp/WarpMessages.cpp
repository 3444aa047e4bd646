#include "warp/WarpMessages.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

WarpMessageSink& CurrentSink() {
    static WarpMessageSink sink;
    return sink;
}

} // namespace

WarpMessageSink SetWarpMessageSink(WarpMessageSink sink) {
    const std::lock_guard lock(SinkMutex());
    return std::exchange(CurrentSink(), std::move(sink));
}

void ReportWarpMessage(std::string_view message) {
    const std::lock_guard lock(SinkMutex());
    if (CurrentSink())
        CurrentSink()(message);
    else
        std::cout << message << std::endl;
}
