// A log sink of the framework that hands each line, as the sink's pattern
// formats it, to the dev host's output behind "log: ". Plugins set their
// pattern on the shared sinks, so the lines read as on a server.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <functional>
#include <mutex>
#include <string>

namespace DevHost {

class PrefixedLogSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    using Writer = std::function<void(const std::string& line)>;
    explicit PrefixedLogSink(Writer writer) : writer_(std::move(writer)) {}

protected:
    void sink_it_(const spdlog::details::log_msg& message) override;
    void flush_() override {}

private:
    Writer writer_;
};

}  // namespace DevHost
