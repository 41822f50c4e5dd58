#include "devhost/server/EventSink.h"

#include <string>

#include "devhost/events/EventBus.h"

namespace DevHost {

void EventSink::sink_it_(const spdlog::details::log_msg& message) {
    spdlog::memory_buf_t formatted;
    formatter_->format(message, formatted);
    std::string line(formatted.data(), formatted.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    TheEventBus().Publish(
        LogLine{std::string(message.logger_name.data(), message.logger_name.size()), message.level, line});
}

}  // namespace DevHost
