// An audit line read back as replay and the plugin's load read it: the
// members are picked out as the parser meets them, so a member written twice,
// of another type, or nested where it does not belong must read exactly as in
// the JSON library's own documents.
#include <gtest/gtest.h>

#include <string>

#include "core/audit/AuditEntry.h"
#include "engine/WideText.h"

namespace {

constexpr const char* kHead = R"({"time":"2026-12-07T21:57:03Z","steamId":"76561198000000001",)";

// "none" for no entry; else the command or action, "cut" when cut, the
// permission, and each recorded answer as permission=held.
std::string Read(const std::string& line) {
    const auto entry = Corvane::ParseAuditEntry(line);
    if (!entry) {
        return "none";
    }
    std::string read = Corvane::Engine::ToUtf8(entry->command) + entry->action + (entry->cut ? " cut" : "");
    // Appended piece by piece: GCC 12 at -O3 takes " " + a string for a copy
    // of 2^63 bytes (a false -Wstringop-overflow).
    if (entry->permission) {
        read.append(" ").append(Corvane::Engine::ToUtf8(*entry->permission));
    }
    for (const Corvane::PermissionAnswer& answer : entry->asked) {
        read.append(" ")
            .append(Corvane::Engine::ToUtf8(answer.permission))
            .append(answer.held ? "=held" : "=not held");
    }
    return read;
}

TEST(AuditEntry, MembersReadAsTheLibrarysDocumentsHoldThem) {
    const struct {
        const char* members;
        const char* read;
    } cases[] = {
        {R"("command":"fly","permission":"Cheat.fly","asked":[{"permission":"A","held":true},{"permission":"B","held":false}],"outcome":"granted")",
         "fly Cheat.fly A=held B=not held"},
        {R"("command":"fly","asked":[{"permission":"A","permissionCut":4,"held":true},{"held":true}],"outcome":"granted")",
         "fly"},
        {R"("command":"fly","asked":[{"permission":"A","held":true,"held":null},{"permission":"B","held":1,"held":false}],"outcome":"granted")",
         "fly B=not held"},
        {R"("command":"fly","asked":[{"permission":"A","held":true}],"outcome":"granted","asked":[{"permission":"B","held":true}])",
         "fly B=held"},
        {R"("command":"fly","asked":{"permission":"A","held":true},"outcome":"granted")", "fly"},
        {R"("command":"fly","asked":[[{"permission":"A","held":true}],{"permission":"B","held":true,"x":{"held":false,"permission":"C"}},"D"],"outcome":"granted")",
         "fly B=held"},
        {R"("command":"fly","cut":0,"permission":{"text":"Cheat.fly"},"outcome":"refused")", "fly cut"},
        {R"("command":"fly","command":1,"outcome":"granted")", "none"},
        {R"("command":"fly","action":"reload","outcome":"granted")", "none"},
        {R"("action":"reload","outcome":"reloaded","x":{"command":"fly"})", "reload"},
        {R"("command":"fly","outcome":{"is":"granted"})", "none"},
        {R"("command":"fly","outcome":"granted"} {)", "none"},
        {"\"command\":\"fl\xff\",\"outcome\":\"granted\"}", "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members);
        EXPECT_EQ(Read(kHead + std::string(c.members) + "}"), c.read);
    }
    EXPECT_EQ(Read(R"([{"time":"2026-12-07T21:57:03Z","steamId":"1","command":"fly","outcome":"granted"}])"),
              "none");
}

}  // namespace
