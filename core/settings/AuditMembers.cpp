#include "core/settings/AuditMembers.h"

#include <array>
#include <cstdint>

#include "core/settings/AuditPath.h"
#include "core/settings/ConfigReader.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

// A rotated file holds at least a few of the longest audit lines (16 KiB each).
constexpr std::uint64_t kLeastRotationBytes = 65536;
constexpr std::uint64_t kMostRotationBytes = std::uint64_t{1} << 40;
constexpr std::uint64_t kMostRotatedFiles = 1000;

void ReadMaxBytes(ConfigReading& reading, const std::string& position, const json& value,
                  AuditRotation& rotation) {
    rotation.maxBytes =
        reading.WholeNumber(value, position, kLeastRotationBytes, kMostRotationBytes, "bytes").value_or(0);
}

void ReadKeep(ConfigReading& reading, const std::string& position, const json& value,
              AuditRotation& rotation) {
    rotation.keep = static_cast<std::uint32_t>(
        reading.WholeNumber(value, position, 0, kMostRotatedFiles, "files").value_or(0));
}

void RotationNeedsBoth(ConfigReading& reading, const std::string& position, AuditRotation&) {
    reading.Add(Severity::Error, position, "missing: the rotation needs MaxBytes and Keep");
}

constexpr std::array kRotationMembers{
    Member<AuditRotation>{"MaxBytes", MemberKind::Control, ReadMaxBytes, RotationNeedsBoth},
    Member<AuditRotation>{"Keep", MemberKind::Control, ReadKeep, RotationNeedsBoth},
};

constexpr MemberLevel<Member<AuditRotation>> kRotationLevel{ConfigLevel::AuditRotate, "/AuditRotate",
                                                            "of the rotation", kRotationMembers};

}  // namespace

const MemberLevel<Member<AuditRotation>>& AuditRotateLevel() {
    return kRotationLevel;
}

void ReadAuditLog(ConfigReading& reading, const std::string& position, const json& value,
                  Settings& settings) {
    if (!value.is_string()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(value) + ", not the text of a file's path");
        return;
    }
    const std::string& configured = value.get_ref<const std::string&>();
    if (configured.empty()) {
        reading.Add(Severity::Error, position, "is empty, not the path of a file");
    } else if (configured.find('\0') != std::string::npos) {
        reading.Add(Severity::Error, position, "holds a NUL character, which no file's path can");
    } else if (AuditPath resolved = ResolveAuditPath(configured, reading.pluginFolder);
               !resolved.problem.empty()) {
        reading.Add(Severity::Error, position, std::move(resolved.problem));
    } else {
        settings.auditFile = std::move(resolved.file);
    }
}

void ReadAuditRotate(ConfigReading& reading, const std::string& position, const json& value,
                     Settings& settings) {
    if (!value.is_object()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(value) + ", not an object with MaxBytes and Keep");
        return;
    }
    AuditRotation rotation;
    if (ReadInDocumentOrder(reading, kRotationLevel, position, value, rotation)) {
        settings.auditRotate = rotation;
    }
    if (!reading.document.contains("AuditLog")) {
        reading.Add(Severity::Warning, position, "there is no AuditLog to rotate");
    }
}

void CheckAuditFiles(ConfigReading& reading, Settings& settings) {
    if (!settings.auditFile) {
        return;
    }
    if (auto problem = AuditLogNamesConfiguration(settings, reading.pluginFolder / "config.json")) {
        reading.Add(std::move(*problem));
        settings.auditFile.reset();
        return;
    }
    for (const std::filesystem::path& file : AuditFilesNewestFirst(*settings.auditFile)) {
        std::error_code ignored;
        const char* kind = nullptr;
        switch (std::filesystem::status(file, ignored).type()) {
            case std::filesystem::file_type::fifo: kind = "a pipe, which the plugin would wait on"; break;
            case std::filesystem::file_type::socket: kind = "a socket, which holds no lines"; break;
            case std::filesystem::file_type::block:
                kind = "a block device, whose data it would overwrite";
                break;
            default: continue;
        }
        reading.Add(Severity::Error, "/AuditLog",
                    PathText(file) + " is " + kind + ": the audit file and its rotated files must be files");
    }
}

}  // namespace Corvane
