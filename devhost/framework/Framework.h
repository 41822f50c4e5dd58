// The stand-in framework's own controls, beyond the exports plugins use: the
// server directory, name-resolution counts, chat routing and plugin loading.
//
// All of it is process-wide, like the real framework; Reset() returns it to a
// fresh server between tests.
#pragma once

#include <cstdint>
#include <string>

#include "host/EngineObjects.h"
#include "host/WideChar.h"

namespace DevHost {

void SetCurrentDir(std::string directory);

// How often GetAddress (either form) resolved name since the last reset.
std::uint64_t ResolutionCount(const std::string& name);
void ResetResolutionCounts();

// Makes GetAddress answer as a framework that does not know name (null or 0),
// for trying what a plugin does when an engine function is missing.
void HideName(const std::string& name);
void ShowAllNames();

// Writes an error line to the shared sinks through the framework's logger.
void LogError(const std::string& message);

struct RouteResult {
    enum class Outcome { Unrouted, Handled, Failed };
    Outcome outcome = Outcome::Unrouted;
    std::string error;  // what left the handler, when it failed
};

// Hands a chat line to the command registered for its first blank-separated
// word (ASCII case ignored), as an FString on the engine allocator. An
// exception that leaves the handler is logged and reported, never passed on.
RouteResult RouteChat(AShooterPlayerController* player, WideStringView line);
bool IsCommandRegistered(WideStringView command);

// The plugin library, loaded as a server loads it.
class PluginHost {
public:
    explicit PluginHost(std::string path) : path_(std::move(path)) {}
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;
    ~PluginHost() { Unload(); }

    // False when the library could not be loaded or its attach failed; error() says why.
    bool Load();
    void Unload();
    void NotifyThread(std::uint32_t reason);
    bool Loaded() const { return module_ != nullptr; }
    const std::string& error() const { return error_; }

private:
    std::string path_;
    void* module_ = nullptr;
    std::string error_;
};

// Path of the plugin library built beside the running program.
std::string DefaultPluginPath();

}  // namespace DevHost
