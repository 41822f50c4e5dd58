// The framework's log sink in a stand-in server: every line any logger writes
// to the framework's sinks becomes a LogLine event, formatted by the pattern
// its logger set on the sink, as a server's log file would hold it.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <mutex>

namespace DevHost {

class EventSink final : public spdlog::sinks::base_sink<std::mutex> {
protected:
    void sink_it_(const spdlog::details::log_msg& message) override;
    void flush_() override {}
};

}  // namespace DevHost
