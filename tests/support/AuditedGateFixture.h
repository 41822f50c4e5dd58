// The /cheat gate with its audit file followed, and two players connected:
// Rex, who holds Cheat.fly, and Ann, who holds nothing. Each audit line the
// plugin writes is an event (AuditLines()); a test loads the plugin with an
// "AuditLog" of its choosing.
#pragma once

#include <cstdint>

#include <nlohmann/json.hpp>

#include "tests/support/GateFixture.h"

class AuditedGateFixture : public GateFixture {
protected:
    static constexpr std::uint64_t kRexId = 1;
    static constexpr std::uint64_t kAnnId = 2;

    void SetUp() override {
        GateFixture::SetUp();
        Server().FollowAuditFile();
        rex_ = Join("Rex", kRexId);
        ann_ = Join("Ann", kAnnId);
        Grant(kRexId, "Cheat.fly");
    }

    // The last audit line, parsed; null when there is none.
    nlohmann::json LastAudit() {
        const auto lines = AuditLines();
        return lines.empty() ? nlohmann::json() : nlohmann::json::parse(lines.back());
    }

    AShooterPlayerController* rex_ = nullptr;
    AShooterPlayerController* ann_ = nullptr;
};
