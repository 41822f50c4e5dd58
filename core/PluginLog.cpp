#include "PluginLog.h"

#include "Velkor.h"

std::shared_ptr<spdlog::logger>& PluginLog() {
    static std::shared_ptr<spdlog::logger> logger;
    return logger;
}

void CreatePluginLog() {
    auto& sinks = GetLogSinks();
    PluginLog() = std::make_shared<spdlog::logger>("Corvane", sinks.begin(), sinks.end());
    PluginLog()->set_pattern("%D %R [%n][%l] %v", spdlog::pattern_time_type::local);
    PluginLog()->flush_on(spdlog::level::info);
}
