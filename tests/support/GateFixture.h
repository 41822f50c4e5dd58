// A stand-in server with the plugin's /cheat gate in view: what each chat
// line made the engine do, shown as short texts for matching.
#pragma once

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "devhost/engine/Allocator.h"
#include "tests/support/ServerFixture.h"

class GateFixture : public ServerFixture {
protected:
    using Outcome = DevHost::RouteResult::Outcome;

    // Routes the line and checks that it left no engine block behind and
    // that nothing left the plugin's handler.
    DevHost::RouteResult SayChecked(AShooterPlayerController* player, const std::string& line) {
        const auto blocks = DevEngine::TheAllocator().LiveBlocks();
        const auto result = Say(player, line);
        EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), blocks) << "engine blocks leaked by: " << line;
        EXPECT_EQ(result.outcome, Outcome::Handled) << result.error;
        return result;
    }

    // The plugin's base members (PrintToChat, Messages) with these controls merged over them.
    static std::string ConfigWith(const nlohmann::json& controls) {
        nlohmann::json config = {
            {"PrintToChat", false},
            {"Messages", {{"LogMsg", "{0} ran {1}"}, {"NoPermissions", "No."}, {"Sender", "Server"}}}};
        config.merge_patch(controls);
        return config.dump();
    }

    void LoadConfig(const std::string& text) {
        WriteConfig(text);
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        Events().Clear();
    }
    void LoadWith(const nlohmann::json& controls) { LoadConfig(ConfigWith(controls)); }

    // The message of the plugin's error lines, which must be one at most.
    std::string ErrorLogged() { return OneLine("[Corvane][error] "); }
    std::string WarningLogged() { return OneLine("[Corvane][warning] "); }

    // "player: command"
    std::vector<std::string> Commands() {
        return Texts<DevHost::ConsoleCommandRun>(
            [](const auto& run) { return run.player + ": " + U(run.command); });
    }
    std::vector<std::string> GameplayLog() {
        return Texts<DevHost::GameplayLogEntry>([](const auto& entry) { return U(entry.text); });
    }
    // "player from sender: text"
    std::vector<std::string> Replies() {
        return Texts<DevHost::PrivateMessage>([](const auto& chat) {
            return chat.player + " from " + U(chat.fromName.text) + ": " + U(chat.text.text);
        });
    }
    // "player: text"
    std::vector<std::string> Broadcasts() {
        return Texts<DevHost::Broadcast>(
            [](const auto& message) { return message.player + ": " + U(message.text); });
    }
    std::vector<std::string> AuditLines() {
        return Texts<DevHost::AuditLine>([](const auto& line) { return line.text; });
    }

private:
    template <class Kind, class Show>
    std::vector<std::string> Texts(Show show) {
        std::vector<std::string> texts;
        for (const Kind& event : Events().Of<Kind>()) {
            texts.push_back(show(event));
        }
        return texts;
    }

    std::string OneLine(std::string_view marker) {
        std::vector<std::string> found;
        for (const auto& line : LogLines()) {
            if (const auto at = line.find(marker); at != std::string::npos) {
                found.push_back(line.substr(at + marker.size()));
            }
        }
        EXPECT_LE(found.size(), 1u) << "one line for one event: " << marker;
        return found.empty() ? "" : found.back();
    }
};
