// PluginLog: the process-wide holder of the plugin's logger "Corvane".
//
// The holder is created on first use and lives until the process (or the
// plugin library) ends; load fills it. The logger writes to the framework's
// shared sinks, which the framework owns.
#pragma once

#include <spdlog/logger.h>

#include <memory>

namespace Corvane {

std::shared_ptr<spdlog::logger>& PluginLog();

// Replaces the held logger with a new "Corvane" logger over all the
// framework's sinks, in local time, flushing every message of level info or above.
void CreatePluginLog();

}  // namespace Corvane
