// fuzz_config: arbitrary bytes as the configuration file, read into settings
// as the load reads them, then every lookup the gate makes, twice (each use
// must get the same answer). The reading's errors are exactly the controls the
// model finds malformed (members written twice, and unknown members it takes
// for a control, among them), and every other member the plugin does not read
// gets a warning. Only the documented errors come out: at load the
// library's parse error (or its out-of-range error for a number beyond a
// double), at lookups its type errors. Each lookup gives what the model works
// out from its own parse, and no engine block outlives a lookup.

#include <set>

#include "core/settings/ConfigReader.h"
#include "devhost/engine/Allocator.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/ConfigModel.h"
#include "fuzz/Require.h"

namespace {

using Fuzz::Require;

void CheckMessage(const Fuzz::ConfigModel& model, const std::string& key,
                  const Corvane::LookedUp<WideString>& message, const char* whenMissing = "No message") {
    const Fuzz::MessageOutcome expected = model.Message(key, whenMissing);
    try {
        const FString text = Corvane::MessageText(message);
        Require(expected.typeError == 0, "a message lookup that had to fail gave a text");
        Require(text.View() == expected.text, "a message lookup gave the wrong text");
        Require((text.Chars().Data == nullptr) == expected.text.empty(),
                "an empty message text has a buffer");
    } catch (const nlohmann::json::type_error& error) {
        Require(error.id == expected.typeError, "a message lookup failed with the wrong type error");
    }
}

void CheckSwitch(const Fuzz::ConfigModel& model, const Corvane::LookedUp<bool>& printToChat) {
    const Fuzz::SwitchOutcome expected = model.PrintToChat();
    try {
        const bool value = printToChat.Get();
        Require(expected.typeError == 0 && value == expected.value, "the switch lookup gave the wrong value");
    } catch (const nlohmann::json::type_error& error) {
        Require(error.id == expected.typeError, "the switch lookup failed with the wrong type error");
    }
}

// Errors exactly where the model finds a control that can't apply, and a
// warning for every member the plugin does not read.
void CheckProblems(const Fuzz::ConfigModel& model, const Corvane::SettingsReading& reading) {
    using Severity = Corvane::ConfigProblem::Severity;
    Require((reading.FirstError() != nullptr) == !model.Malformed().empty(),
            "the file stops the load and the model says it must not, or the other way round");
    std::set<std::string> warned;
    for (const Corvane::ConfigProblem& problem : reading.problems) {
        if (problem.severity == Severity::Error) {
            Require(model.Malformed().contains(problem.position),
                    "an error names a member that is well formed");
        } else if (problem.severity == Severity::Warning) {
            warned.insert(problem.position);
        }
    }
    for (const std::string& unknown : model.Unknown()) {
        Require(warned.contains(unknown), "a member the plugin does not read got no warning");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The configuration is read directly; the plugin itself is not loaded.
    static const DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-config-"));
    const std::string text(reinterpret_cast<const char*>(data), size);
    server.WriteConfig(text);
    const Fuzz::ConfigModel model(text);
    Corvane::SettingsReading reading;
    try {
        reading = Corvane::ReadConfiguration();
    } catch (const nlohmann::json::parse_error& error) {
        Require(!model.Parses() && model.ParseError() == error.what(), "a readable file failed to load");
        return 0;
    } catch (const nlohmann::json::out_of_range& error) {
        Require(!model.Parses() && model.ParseError() == error.what(), "a readable file failed to load");
        return 0;
    }
    Require(model.Parses(), "a malformed file loaded");
    CheckProblems(model, reading);
    const Corvane::Settings& settings = reading.settings;

    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    for (int round = 0; round < 2; ++round) {
        const Corvane::Messages& messages = settings.messages;
        CheckMessage(model, "LogMsg", messages.logMsg);
        CheckMessage(model, "NoPermissions", messages.noPermissions);
        CheckMessage(model, "Sender", messages.sender);
        CheckMessage(model, "Cooldown", messages.cooldown, "You can use {1} again in {2}.");
        CheckSwitch(model, settings.printToChat);
    }
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "a lookup left an engine block alive");
    return 0;
}
