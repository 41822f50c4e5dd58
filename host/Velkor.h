// The framework's exports: its services, its shared log sinks, the process's
// directory, UTF-8 decoding, and the resolution of engine functions and fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/sinks/sink.h>

#include "host/ApiUtils.h"
#include "host/Commands.h"
#include "host/VelkorApi.h"
#include "host/WideChar.h"

namespace Velkor {
VELKOR_API IApiUtils& GetApiUtils();
VELKOR_API ICommands& GetCommands();

namespace Tools {
// The server's directory, without a trailing separator.
VELKOR_API std::string GetCurrentDir();
VELKOR_API WideString Utf8Decode(const std::string& utf8);
}  // namespace Tools
}  // namespace Velkor

// The framework's log sinks, shared with every plugin's logger. The framework owns them.
VELKOR_API std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks();

// Address of the engine function "Class.Function"; null when the name is unknown.
VELKOR_API void* GetAddress(const std::string& name);
// Address of the field "Class.Field" inside object; 0 when the name is unknown.
VELKOR_API std::uint64_t GetAddress(const void* object, const std::string& name);
