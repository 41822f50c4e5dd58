// The answers the stand-in engine and framework give a plugin that it can't
// take for granted, each of which can be made to fail, so that tests can see
// what the plugin does when its host lets it down: a name that resolves to
// nothing, no world or game mode, a weak reference to a player who is gone,
// a character without a name.
//
// There is one record a process, like the host it belongs to. Answers are
// counted only while someone asks for them, so that a long run pays nothing,
// and only those the plugin receives: while a chat-command handler runs
// (PluginTurn), and not what the stand-ins do for themselves inside a call
// (HostTurn), such as the engine string a function builds for its result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace DevHost {

struct Answer {
    enum class Kind {
        EngineFunction,   // GetAddress(name): null
        EngineField,      // GetAddress(object, name): 0
        CurrentWorld,     // IApiUtils::CurrentWorld: null
        CurrentGameMode,  // IApiUtils::CurrentGameMode: null
        WeakReference,    // "FWeakObjectPtr.Get": null, as for a player who left
        CharacterName,    // IApiUtils::GetCharacterName: empty
    };
    Kind kind;
    std::string name;  // the engine name, for functions and fields
};

// What failing the answer looks like, for messages: "GetAddress(FMemory.Free) -> null".
std::string Describe(const Answer& answer);

// Decides, answer by answer, whether one fails.
using FaultPlan = std::function<bool(const Answer& answer, std::size_t number)>;

class Answers {
public:
    // Called by the stand-ins as they answer: counts the answer (number 1 for
    // the first since Restart) and tells whether it must fail.
    bool Fails(Answer::Kind kind, const std::string& name = {});

    // From now on answers are counted, and kept when keep is true; the plan,
    // when there is one, decides which fail.
    void Restart(FaultPlan plan = nullptr, bool keep = false);
    // Counting stops; every answer succeeds again.
    void Stop();

    std::size_t Count() const { return count_; }
    const std::vector<Answer>& Kept() const { return kept_; }

    // The plugin's handler runs: its answers count.
    class PluginTurn {
    public:
        PluginTurn();
        ~PluginTurn();
        PluginTurn(const PluginTurn&) = delete;
        PluginTurn& operator=(const PluginTurn&) = delete;
    };
    // A stand-in works inside a call the plugin made: its answers to itself don't count.
    class HostTurn {
    public:
        HostTurn();
        ~HostTurn();
        HostTurn(const HostTurn&) = delete;
        HostTurn& operator=(const HostTurn&) = delete;
    };

private:
    int pluginTurns_ = 0;
    int hostTurns_ = 0;
    bool counting_ = false;
    bool keep_ = false;
    std::size_t count_ = 0;
    FaultPlan plan_;
    std::vector<Answer> kept_;
};

Answers& TheAnswers();

}  // namespace DevHost
