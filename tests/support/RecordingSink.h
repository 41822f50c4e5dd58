// A log sink that keeps every line it is given, formatted by the pattern the
// logger set on it, so tests can assert on exactly what a server's log gets.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <mutex>
#include <string>
#include <vector>

class RecordingSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    int Flushes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return flushes_;
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        std::string line = fmt::to_string(formatted);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        lines_.push_back(std::move(line));
    }
    void flush_() override { ++flushes_; }

private:
    std::vector<std::string> lines_;
    int flushes_ = 0;
};
