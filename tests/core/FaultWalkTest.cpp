// Every host fault, one at a time. Each line of a representative set runs
// once for every fault point it has (every answer the plugin gets from the
// framework and the engine during the line, and every failing environment
// the line meets: the permissions plugin, the audit file), with that one
// point failing. After each run: nothing left the handler; the engine's live
// blocks are back; a command ran only with its gameplay-log entry and, when
// there is an audit file, its audit line first; at most one private reply;
// a use the fault stopped has exactly one error line naming what failed; the
// part of a line cut short stands alone on its line; and the next line, with
// no fault, does exactly what it does after a clean run.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

#include <nlohmann/json.hpp>

#include "devhost/server/Fault.h"
#include "tests/support/GateFixture.h"

using json = nlohmann::json;
using Kind = DevHost::Fault::Kind;

namespace {

struct Line {
    const char* name;
    json controls;  // over PrintToChat and the messages
    bool audit;
    std::vector<std::string> before;  // said first, without faults
    const char* line;
    std::vector<const char*> grants = {};  // Rex's, beyond those every line has
    std::size_t replies = 1;               // at most, in one run
    std::size_t auditFilled = 0;           // bytes of earlier lines the audit file starts with
    bool readsBack = false;                // the load reads the audit record back for cooldowns
};

constexpr const char* kUnreadable = "audit (not JSON) ";

// What a line did, with the times of log and audit lines left out.
std::vector<std::string> Effects(const DevHost::EventLog& events, std::size_t from) {
    std::vector<std::string> effects;
    for (std::size_t i = from; i < events.All().size(); ++i) {
        const DevHost::Event& event = events.All()[i];
        if (const auto* line = std::get_if<DevHost::LogLine>(&event)) {
            effects.push_back("log " + line->text.substr(line->text.find('[')));
        } else if (const auto* audit = std::get_if<DevHost::AuditLine>(&event)) {
            json record = json::parse(audit->text, nullptr, false);
            if (record.is_discarded()) {
                effects.push_back(kUnreadable + audit->text);
                continue;
            }
            record.erase("time");
            effects.push_back("audit " + record.dump());
        } else if (const auto* run = std::get_if<DevHost::ConsoleCommandRun>(&event)) {
            effects.push_back("console " + run->player + ": " + U(run->command));
        } else if (const auto* entry = std::get_if<DevHost::GameplayLogEntry>(&event)) {
            effects.push_back("gameplay-log " + U(entry->text));
        } else if (const auto* message = std::get_if<DevHost::Broadcast>(&event)) {
            effects.push_back("broadcast " + message->player + ": " + U(message->text));
        } else if (const auto* chat = std::get_if<DevHost::PrivateMessage>(&event)) {
            effects.push_back("reply " + chat->player + ": " + U(chat->text.text));
        }
    }
    return effects;
}

std::size_t Count(const std::vector<std::string>& effects, const std::string& start) {
    return static_cast<std::size_t>(std::count_if(
        effects.begin(), effects.end(), [&](const std::string& e) { return e.starts_with(start); }));
}

// What the plugin's error line must name when the fault stops a use.
std::string Naming(const DevHost::Fault& fault) {
    using AnswerKind = DevHost::Answer::Kind;
    switch (fault.kind) {
        case Kind::Answer:
            switch (fault.what.kind) {
                case AnswerKind::EngineFunction: return "Engine function not found: " + fault.what.name;
                case AnswerKind::EngineField: return "Engine field not found: " + fault.what.name;
                case AnswerKind::CurrentWorld: return "No current world";
                case AnswerKind::CurrentGameMode: return "No current game mode";
                default: return "(none)";
            }
        case Kind::PermissionsLibraryMissing: return "Can't load the permissions plugin";
        case Kind::PermissionsQueryMissing: return "The permissions plugin has no IsPlayerHasPermission";
        // The path, and the system's reason.
        case Kind::AuditDiskFull: return "cheat.jsonl: No space left on device";
        case Kind::AuditFolderUnwritable: return "cheat.jsonl: Permission denied";
        case Kind::AuditShortWrite: return "cheat.jsonl: only ";
        case Kind::AuditRenameFails: return "Can't rotate the audit file";
        case Kind::AuditUnreadableAtLoad: return "(none)";
    }
    return "?";
}

class FaultWalk : public GateFixture {
protected:
    void TearDown() override {
        AllowBlocksLeftAlive(leftByDesign_);
        GateFixture::TearDown();
    }

    static std::vector<std::string> ErrorsOf(const std::vector<std::string>& effects) {
        std::vector<std::string> errors;
        std::copy_if(effects.begin(), effects.end(), std::back_inserter(errors),
                     [](const std::string& e) { return e.starts_with("log [Corvane][error] "); });
        return errors;
    }

    // A fresh load with the line's configuration, players and grants, and
    // the lines it says first.
    void Prepare(const Line& line) {
        Server().Restart();
        json config = {
            {"PrintToChat", true},
            {"Messages", {{"LogMsg", "{0} ran {1}"}, {"NoPermissions", "No."}, {"Sender", "Server"}}}};
        config.merge_patch(line.controls);
        if (line.audit) {
            auditFile_ = Server().FaultProneAuditLog();
            config["AuditLog"] = auditFile_;
            std::ofstream earlier(auditFile_, std::ios::binary);
            for (std::size_t filled = 0; filled + kEarlierLine.size() <= line.auditFilled;) {
                earlier << kEarlierLine;
                filled += kEarlierLine.size();
            }
        }
        WriteConfig(config.dump());
        Server().FollowAuditFile();
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        rex_ = Join("Rex", 1);
        Join("Ann", 2);
        Join("Bob", 3);
        Server().Leave("Bob");  // a weak reference that no longer resolves
        for (const char* permission : {"Cheat.fly", "Cheat.quit", "Corvane.SeeAnnouncements"}) {
            Grant(1, permission);
        }
        for (const char* permission : line.grants) {
            Grant(1, permission);
        }
        Grant(2, "Corvane.SeeAnnouncements");
        for (const std::string& said : line.before) {
            Say(rex_, said);
        }
    }

    // Runs the line with the fault and checks what it did; then the same line
    // without a fault, which must do what clean does.
    void Walk(const Line& line, const DevHost::Fault& fault, const std::vector<std::string>& cleanFirst,
              const std::vector<std::string>& cleanNext) {
        SCOPED_TRACE(Describe(fault));
        Prepare(line);
        const std::size_t blocks = Server().Allocator().LiveBlocks();
        const std::size_t mark = Events().Size();
        const auto result = Server().SayWithFault(rex_, line.line, fault);
        const std::vector<std::string> effects = Effects(Events(), mark);
        SCOPED_TRACE(::testing::PrintToString(effects));

        EXPECT_EQ(result.outcome, Outcome::Handled) << "an exception left the handler: " << result.error;
        const bool freeFailed = fault.kind == Kind::Answer && fault.what.name == "FMemory.Free";
        EXPECT_EQ(Server().Allocator().LiveBlocks(), blocks + (freeFailed ? 1 : 0))
            << "only a block whose Free could not be found may stay";
        const std::size_t commands = Count(effects, "console ");
        EXPECT_EQ(Count(effects, "gameplay-log "), commands)
            << "a command ran without its gameplay-log entry";
        if (line.audit && commands > 0) {
            const auto audit = std::find_if(effects.begin(), effects.end(),
                                            [](const std::string& e) { return e.starts_with("audit "); });
            const auto console = std::find_if(effects.begin(), effects.end(),
                                              [](const std::string& e) { return e.starts_with("console "); });
            EXPECT_TRUE(audit < console && audit->find(R"("outcome":"granted")") != std::string::npos)
                << "a command ran without its audit line before it";
        }
        EXPECT_LE(Count(effects, "reply "), line.replies);
        // The errors the fault added to those of a clean run (a line may fail anyway).
        std::vector<std::string> errors;
        std::vector<std::string> cleanErrors = ErrorsOf(cleanFirst);
        for (const std::string& error : ErrorsOf(effects)) {
            if (const auto same = std::find(cleanErrors.begin(), cleanErrors.end(), error);
                same != cleanErrors.end()) {
                cleanErrors.erase(same);
            } else {
                errors.push_back(error);
            }
        }
        EXPECT_LE(errors.size(), 1u);
        const bool stopped = (Count(cleanFirst, "console ") > 0 && commands == 0) ||
                             (Count(cleanFirst, "reply ") > 0 && Count(effects, "reply ") == 0);
        if (fault.kind == Kind::AuditUnreadableAtLoad) {
            // The load says so, once, when it had cooldowns to read back;
            // what it could not read, it can't hold against the line.
            const auto said = std::count_if(effects.begin(), effects.end(), [](const std::string& effect) {
                return effect.find("uses from before this load are not restored") != std::string::npos;
            });
            EXPECT_EQ(said, line.readsBack ? 1 : 0);
            EXPECT_THAT(errors, ::testing::IsEmpty());
        } else if (stopped) {
            EXPECT_EQ(errors.size(), 1u) << "the use stopped without saying why";
        }
        for (const std::string& error : errors) {
            EXPECT_THAT(error, ::testing::HasSubstr(Naming(fault)));
        }
        leftByDesign_ += freeFailed ? 1 : 0;

        const std::size_t next = Events().Size();
        Say(rex_, line.line);
        std::vector<std::string> nextEffects = Effects(Events(), next);
        const std::size_t unreadable = Count(nextEffects, kUnreadable);
        std::erase_if(nextEffects, [](const std::string& e) { return e.starts_with(kUnreadable); });
        EXPECT_EQ(unreadable, fault.kind == Kind::AuditShortWrite ? 1u : 0u)
            << "the part a short write left stands alone, on a line of its own";
        if (fault.kind == Kind::AuditRenameFails) {
            // The rotation comes with this line instead, and carries the use
            // the line with the fault recorded.
            EXPECT_EQ(
                std::erase_if(nextEffects,
                              [](const std::string& e) { return e.find(R"("action":"carried")") != e.npos; }),
                Count(cleanFirst, "console "));
        }
        EXPECT_EQ(nextEffects, cleanNext) << "the fault left something half-changed";
        ++runs_;
    }

    static constexpr std::string_view kEarlierLine = R"({"steamId":"9","outcome":"refused"})"
                                                     "\n";

    std::string auditFile_;
    std::size_t runs_ = 0;
    std::size_t leftByDesign_ = 0;
    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(FaultWalk, EveryLineTakesEveryHostFaultOneAtATime) {
    const Line lines[] = {
        {"granted, announced to all, audited", json::object(), true, {}, "/cheat fly"},
        {"granted, audited, the audit file rotating",
         {{"AuditRotate", {{"MaxBytes", 65536}, {"Keep", 2}}}},
         true,
         {},
         "/cheat fly",
         {},
         1,
         65536 - 100},
        {"granted, announced to all", json::object(), false, {}, "/cheat fly"},
        {"granted, announced to nobody",
         {{"Commands", {{"fly", {{"Announce", "none"}}}}}},
         false,
         {},
         "/cheat fly"},
        {"granted, announced to admins, audited",
         {{"Commands", {{"fly", {{"Announce", "admins"}}}}}},
         true,
         {},
         "/cheat fly"},
        {"refused, audited", json::object(), true, {}, "/cheat walk"},
        {"rejected", json::object(), false, {}, "/cheat fly|god"},
        {"denied, audited", {{"Deny", {"quit"}}}, true, {}, "/cheat quit"},
        {"cooling down, audited",
         {{"Commands", {{"fly", {{"Cooldown", 3600}}}}}},
         true,
         {"/cheat fly"},
         "/cheat fly",
         {},
         1,
         0,
         true},
        {"granted with an argument's own permission, audited",
         {{"Commands", {{"spawn", {{"Arguments", {{{"Allow", {"w*"}}, {"Permission", true}}}}}}}}},
         true,
         {},
         "/cheat spawn wolf",
         {"Cheat.spawn", "Cheat.spawn.wolf"}},
        {"PrintToChat missing, audited", {{"PrintToChat", nullptr}}, true, {}, "/cheat fly"},
        {"reload, audited", json::object(), true, {}, "/corvane reload", {"Corvane.Reload"}},
        {"reload refused, audited", json::object(), true, {}, "/corvane reload"},
        {"check", json::object(), false, {}, "/corvane check fly", {"Corvane.Check"}, 6},
    };
    const auto start = std::chrono::steady_clock::now();
    std::ostringstream figures;
    for (const Line& line : lines) {
        SCOPED_TRACE(line.name);
        Prepare(line);
        std::size_t mark = Events().Size();
        const std::vector<DevHost::Fault> faults = Server().FaultPoints(rex_, line.line);
        const std::vector<std::string> cleanFirst = Effects(Events(), mark);
        mark = Events().Size();
        Say(rex_, line.line);
        const std::vector<std::string> cleanNext = Effects(Events(), mark);
        for (const DevHost::Fault& fault : faults) {
            Walk(line, fault, cleanFirst, cleanNext);
        }
        figures << "  " << line.name << ": " << faults.size() << " fault points\n";
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "fault walk:\n" << figures.str() << "  " << runs_ << " runs in " << seconds << " s\n";
    RecordProperty("Runs", static_cast<int>(runs_));
}

}  // namespace
