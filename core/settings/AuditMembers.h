// The members that put the audit file where it lies and rotate it:
// "AuditLog" and "AuditRotate" (AuditRotation.h), the rotation's own level.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "core/settings/AuditRotation.h"
#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"

namespace Corvane {

const MemberLevel<Member<AuditRotation>>& AuditRotateLevel();

// The rows of "AuditLog" and "AuditRotate" in the document's table.
void ReadAuditLog(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
                  Settings& settings);
void ReadAuditRotate(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
                     Settings& settings);
// The audit file is not the configuration, and none of its files, rotated
// ones included, is one the plugin would wait on or write into unseen.
void CheckAuditFiles(ConfigReading& reading, Settings& settings);

}  // namespace Corvane
