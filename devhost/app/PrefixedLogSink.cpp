#include "devhost/app/PrefixedLogSink.h"

namespace DevHost {

void PrefixedLogSink::sink_it_(const spdlog::details::log_msg& message) {
    spdlog::memory_buf_t formatted;
    formatter_->format(message, formatted);
    std::string line(formatted.data(), formatted.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    writer_("log: " + line);
}

}  // namespace DevHost
