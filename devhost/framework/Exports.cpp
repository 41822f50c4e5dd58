// The framework's exports, as plugins see them.
#include <spdlog/logger.h>

#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "devhost/engine/GameWorld.h"
#include "devhost/events/Answers.h"
#include "devhost/framework/Framework.h"
#include "devhost/platform/Clocks.h"
#include "engine/FString.h"
#include "host/Velkor.h"

namespace {

using DevHost::Answer;
using DevHost::TheAnswers;

class ApiUtils final : public IApiUtils {
public:
    UWorld* CurrentWorld() const override {
        return TheAnswers().Fails(Answer::Kind::CurrentWorld) ? nullptr : DevEngine::TheGameWorld().World();
    }
    AShooterGameMode* CurrentGameMode() const override {
        return TheAnswers().Fails(Answer::Kind::CurrentGameMode) ? nullptr
                                                                 : DevEngine::TheGameWorld().GameMode();
    }
    std::uint64_t GetSteamIdFromController(AController* controller) const override {
        return DevEngine::TheGameWorld().SteamIdOf(controller);
    }
    FString GetCharacterName(AShooterPlayerController* player) const override {
        if (TheAnswers().Fails(Answer::Kind::CharacterName)) {
            return FString();
        }
        const DevHost::Answers::HostTurn turn;
        const WideString name = Velkor::Tools::Utf8Decode(DevEngine::TheGameWorld().NameOf(player));
        return FString::FromWide(name.c_str());
    }
};

struct FrameworkState {
    std::string currentDir = ".";
    std::map<std::string, std::uint64_t, std::less<>> resolutions;
    std::set<std::string, std::less<>> hidden;
    std::vector<std::shared_ptr<spdlog::sinks::sink>> sinks;
    std::chrono::nanoseconds timePassed{0};  // never back: the clock is monotonic
};

FrameworkState& State() {
    static FrameworkState state;
    return state;
}

}  // namespace

IApiUtils& Velkor::GetApiUtils() {
    static ApiUtils utils;
    return utils;
}

std::string Velkor::Tools::GetCurrentDir() {
    return State().currentDir;
}

std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks() {
    return State().sinks;
}

void* GetAddress(const std::string& name) {
    ++State().resolutions[name];
    if (TheAnswers().Fails(Answer::Kind::EngineFunction, name) || State().hidden.count(name) != 0) {
        return nullptr;
    }
    return DevEngine::EngineSymbol(name);
}

std::uint64_t GetAddress(const void* object, const std::string& name) {
    ++State().resolutions[name];
    if (TheAnswers().Fails(Answer::Kind::EngineField, name) || name != "UWorld.PlayerControllerList" ||
        State().hidden.count(name) != 0) {
        return 0;
    }
    return reinterpret_cast<std::uintptr_t>(DevEngine::TheGameWorld().PlayerControllerList(object));
}

namespace DevHost {

void SetCurrentDir(std::string directory) {
    State().currentDir = std::move(directory);
}

std::uint64_t ResolutionCount(const std::string& name) {
    const auto found = State().resolutions.find(name);
    return found == State().resolutions.end() ? 0 : found->second;
}

void ResetResolutionCounts() {
    State().resolutions.clear();
}

void ResetFramework() {
    State().resolutions.clear();
    State().hidden.clear();
}

// The clock's nanoseconds hold about 292 years; most of that is left for the
// time a plugin adds to a reading (a cooldown of decades, say).
constexpr std::chrono::nanoseconds kMostTimePassed = std::chrono::hours(24 * 365 * 100);

std::chrono::nanoseconds TimeLeftToPass() {
    return kMostTimePassed - State().timePassed;
}

void LetTimePass(std::chrono::nanoseconds time) {
    if (time.count() < 0 || time > TimeLeftToPass()) {
        throw std::invalid_argument("time can pass by at most a hundred years in all");
    }
    State().timePassed += time;
    Platform::ShiftClocks(time);
}

void HideName(const std::string& name) {
    State().hidden.insert(name);
}

void ShowAllNames() {
    State().hidden.clear();
}

void LogError(const std::string& message) {
    const auto& sinks = State().sinks;
    spdlog::logger("Velkor", sinks.begin(), sinks.end()).error(message);
}

}  // namespace DevHost
