// The stand-in framework's own controls, beyond the exports plugins use: the
// server directory, name-resolution counts, chat routing and plugin loading.
//
// All of it is process-wide, like the real framework; ResetFramework() returns
// it to a fresh server (the stand-in server does, devhost/server).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "devhost/platform/DynamicLibrary.h"
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

// Forgets the resolution counts and hidden names. The current directory and
// the log sinks are left to their owner.
void ResetFramework();

// Lets time pass at once on the process's monotonic clock, the one
// std::chrono::steady_clock reads, and on its wall clock alike
// (devhost/platform/Clocks.h). Throws std::invalid_argument past a hundred
// years in all, or for a negative time.
void LetTimePass(std::chrono::nanoseconds time);
std::chrono::nanoseconds TimeLeftToPass();

// Writes an error line to the shared sinks through the framework's logger.
void LogError(const std::string& message);

struct RouteResult {
    enum class Outcome { Unrouted, Handled, Failed };
    Outcome outcome = Outcome::Unrouted;
    std::string error;  // what left the handler, when it failed
};

// Hands a chat line to the command registered for its first blank-separated
// word (ASCII case ignored), as an FString on the engine allocator. An
// exception that leaves the handler is logged, published as a HandlerError
// event and reported, never passed on.
RouteResult RouteChat(AShooterPlayerController* player, WideStringView line);
bool IsCommandRegistered(WideStringView command);

// The plugin, loaded as a server loads it: its library, or its entry linked
// into this program (coverage feedback does not reach into a library opened
// at run time, so the fuzz targets link the plugin in).
class PluginHost {
public:
    static PluginHost FromLibrary(std::string path);
    static PluginHost Linked(Platform::PluginEntry entry);

    PluginHost(PluginHost&& other) noexcept;
    PluginHost& operator=(PluginHost&&) = delete;
    ~PluginHost() { Unload(); }

    // False when the library could not be loaded or its attach failed; error() says why.
    bool Load();
    void Unload();
    void NotifyThread(std::uint32_t reason);
    bool Loaded() const { return loaded_; }
    const std::string& error() const { return error_; }

private:
    PluginHost(std::string path, Platform::PluginEntry entry) : path_(std::move(path)), entry_(entry) {}

    std::string path_;
    Platform::PluginEntry entry_ = nullptr;
    void* module_ = nullptr;
    bool loaded_ = false;
    std::string error_;
};

// Path of the plugin library built beside the running program.
std::string DefaultPluginPath();

}  // namespace DevHost
