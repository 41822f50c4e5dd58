// The members of "Cluster": this server's name and its feed, which the plugin
// reads, and the database and the poll, which only the companion reads and
// the plugin checks for their shape, so that one check-config finds every
// mistake. A password is never repeated in a problem.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"

namespace Corvane {

// What the companion's members are checked into: nothing the plugin keeps.
struct CompanionMembers {
    int passwords = 0;  // of Password, PasswordFile and PasswordEnv, how many are written
};

const MemberLevel<Member<ClusterSettings>>& ClusterLevel();
const MemberLevel<Member<CompanionMembers>>& DatabaseLevel();
const MemberLevel<Member<CompanionMembers>>& TlsLevel();

// The row of "Cluster" in the document's table: read after AuditLog, whose
// folder holds the feed unless Feed says otherwise.
void ReadCluster(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
                 Settings& settings);

}  // namespace Corvane
