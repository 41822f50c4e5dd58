// fuzz_config: arbitrary bytes as the configuration file, then every lookup,
// twice (a lookup may add members to the document). Only the documented
// errors come out: at load the library's parse error (or its out-of-range
// error for a number beyond a double), at lookups its type errors. Each lookup gives what the model works out
// from its own parse, and no engine block outlives a lookup.

#include "core/Config.h"
#include "devhost/engine/Allocator.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/ConfigModel.h"
#include "fuzz/Require.h"

namespace {

using Fuzz::Require;

void CheckMessage(const Fuzz::ConfigModel& model, const std::string& key) {
    const Fuzz::MessageOutcome expected = model.Message(key);
    try {
        const FString text = Corvane::Config::GetMessageText(key);
        Require(expected.typeError == 0, "a message lookup that had to fail gave a text");
        Require(text.View() == expected.text, "a message lookup gave the wrong text");
        Require((text.Chars().Data == nullptr) == expected.text.empty(),
                "an empty message text has a buffer");
    } catch (const nlohmann::json::type_error& error) {
        Require(error.id == expected.typeError, "a message lookup failed with the wrong type error");
    }
}

void CheckSwitch(const Fuzz::ConfigModel& model) {
    const Fuzz::SwitchOutcome expected = model.PrintToChat();
    try {
        const bool value = Corvane::Config::PrintToChat();
        Require(expected.typeError == 0 && value == expected.value, "the switch lookup gave the wrong value");
    } catch (const nlohmann::json::type_error& error) {
        Require(error.id == expected.typeError, "the switch lookup failed with the wrong type error");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The configuration is read directly; the plugin itself is not loaded.
    static const DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-config-"));
    const std::string text(reinterpret_cast<const char*>(data), size);
    server.WriteConfig(text);
    const Fuzz::ConfigModel model(text);
    try {
        Corvane::Config::ReadAtLoad();
    } catch (const nlohmann::json::parse_error& error) {
        Require(!model.Parses() && model.ParseError() == error.what(), "a readable file failed to load");
        return 0;
    } catch (const nlohmann::json::out_of_range& error) {
        Require(!model.Parses() && model.ParseError() == error.what(), "a readable file failed to load");
        return 0;
    }
    Require(model.Parses(), "a malformed file loaded");

    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    for (int round = 0; round < 2; ++round) {
        for (const char* key : {"LogMsg", "NoPermissions", "Sender", "Absent"}) {
            CheckMessage(model, key);
        }
        CheckSwitch(model);
    }
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "a lookup left an engine block alive");
    return 0;
}
