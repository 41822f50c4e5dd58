#include "core/text/PluginLog.h"

#include "host/Velkor.h"

namespace Corvane {

std::shared_ptr<spdlog::logger>& PluginLog() {
    static std::shared_ptr<spdlog::logger> logger;
    return logger;
}

void CreatePluginLog() {
    auto& sinks = GetLogSinks();
    PluginLog() = std::make_shared<spdlog::logger>("Corvane", sinks.begin(), sinks.end());
    // Each sink builds its formatter (local time) with its own code: one built
    // here would stay in the framework's sinks after this library is unloaded.
    for (const auto& sink : sinks) {
        sink->set_pattern("%D %R [%n][%l] %v");
    }
    PluginLog()->flush_on(spdlog::level::info);
}

}  // namespace Corvane
