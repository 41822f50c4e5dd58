#include "devhost/events/Answers.h"

#include <utility>

namespace DevHost {

std::string Describe(const Answer& answer) {
    switch (answer.kind) {
        case Answer::Kind::EngineFunction: return "GetAddress(" + answer.name + ") -> null";
        case Answer::Kind::EngineField: return "GetAddress(object, " + answer.name + ") -> 0";
        case Answer::Kind::CurrentWorld: return "CurrentWorld() -> null";
        case Answer::Kind::CurrentGameMode: return "CurrentGameMode() -> null";
        case Answer::Kind::WeakReference: return "FWeakObjectPtr.Get -> null";
        case Answer::Kind::CharacterName: return "GetCharacterName() -> empty";
    }
    return "?";
}

bool Answers::Fails(Answer::Kind kind, const std::string& name) {
    if (!counting_ || pluginTurns_ == 0 || hostTurns_ != 0) {
        return false;
    }
    ++count_;
    Answer answer{kind, name};
    const bool fails = plan_ && plan_(answer, count_);
    if (keep_) {
        kept_.push_back(std::move(answer));
    }
    return fails;
}

void Answers::Restart(FaultPlan plan, bool keep) {
    counting_ = true;
    keep_ = keep;
    count_ = 0;
    plan_ = std::move(plan);
    kept_.clear();
}

void Answers::Stop() {
    counting_ = false;
    plan_ = nullptr;
}

Answers::PluginTurn::PluginTurn() {
    ++TheAnswers().pluginTurns_;
}

Answers::PluginTurn::~PluginTurn() {
    --TheAnswers().pluginTurns_;
}

Answers::HostTurn::HostTurn() {
    ++TheAnswers().hostTurns_;
}

Answers::HostTurn::~HostTurn() {
    --TheAnswers().hostTurns_;
}

Answers& TheAnswers() {
    static Answers answers;
    return answers;
}

}  // namespace DevHost
