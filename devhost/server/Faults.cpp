// The stand-in server letting the plugin down, one fault a chat line.
#include <filesystem>
#include <optional>

#include "core/settings/AuditPath.h"
#include "devhost/platform/DynamicLibrary.h"
#include "devhost/platform/FileFaults.h"
#include "devhost/server/StandInServer.h"

namespace DevHost {
namespace fs = std::filesystem;
namespace {

// Made by the build beside the programs: disk-full/cheat.jsonl is /dev/full,
// unwritable/cheat.jsonl lies in /sys, where no one may make a file,
// unreadable/cheat.jsonl is a folder; the audit folder is swapped with one of
// these folders for a line.
fs::path FaultPaths() {
    return fs::path(Platform::ExecutableDirectory()) / "FaultPaths";
}

const char* const kFailingFolders[] = {"disk-full", "unwritable", "unreadable"};

// The audit folder swapped with a failing one while this lives.
class AuditFolderSwap {
public:
    explicit AuditFolderSwap(const char* failing) : failing_(failing) {
        fs::rename(FaultPaths() / "audit", FaultPaths() / "audit-kept");
        fs::rename(FaultPaths() / failing_, FaultPaths() / "audit");
    }
    AuditFolderSwap(const AuditFolderSwap&) = delete;
    AuditFolderSwap& operator=(const AuditFolderSwap&) = delete;
    ~AuditFolderSwap() { Restore(); }

    // Puts an interrupted swap back as it was.
    static void Restore() {
        std::error_code ignored;
        if (!fs::exists(FaultPaths() / "audit-kept", ignored)) {
            return;
        }
        for (const char* failing : kFailingFolders) {
            if (!fs::exists(FaultPaths() / failing, ignored)) {
                fs::rename(FaultPaths() / "audit", FaultPaths() / failing, ignored);
            }
        }
        fs::rename(FaultPaths() / "audit-kept", FaultPaths() / "audit", ignored);
    }

private:
    const char* failing_;
};

fs::path FaultProneAuditFile() {
    return FaultPaths() / "audit" / "cheat.jsonl";
}

// The size of a file; none when it is missing.
std::optional<std::uintmax_t> SizeOf(const fs::path& file) {
    std::error_code missing;
    const std::uintmax_t size = fs::file_size(file, missing);
    return missing ? std::nullopt : std::optional(size);
}

Platform::FileFault FileFaultOf(Fault::Kind kind) {
    return kind == Fault::Kind::AuditShortWrite ? Platform::FileFault::ShortWrite
                                                : Platform::FileFault::FailedRename;
}

}  // namespace

std::string Describe(const Fault& fault) {
    switch (fault.kind) {
        case Fault::Kind::Answer:
            return "answer " + std::to_string(fault.answer) + ": " + Describe(fault.what);
        case Fault::Kind::PermissionsLibraryMissing:
            return "the permissions plugin's library can't be loaded";
        case Fault::Kind::PermissionsQueryMissing: return "the permissions plugin has no query";
        case Fault::Kind::AuditDiskFull: return "the audit file's disk is full";
        case Fault::Kind::AuditFolderUnwritable: return "the audit file's folder can't be written";
        case Fault::Kind::AuditShortWrite: return "a write to the audit file is cut short";
        case Fault::Kind::AuditRenameFails: return "the audit file can't be renamed";
        case Fault::Kind::AuditUnreadableAtLoad: return "the audit record can't be read back at load";
    }
    return "?";
}

std::string StandInServer::FaultProneAuditLog() const {
    AuditFolderSwap::Restore();
    fs::remove_all(FaultPaths() / "audit");
    fs::create_directories(FaultPaths() / "audit");
    return FaultProneAuditFile().generic_string();
}

// Whether the plugin has the permissions plugin's library loaded itself: with
// the server's own hold let go, it is in the process only if so.
bool StandInServer::PluginHoldsPermissionsPlugin() {
    permissions_.Unload();
    const bool held = PermissionsPluginInProcess();
    LoadPermissionsPlugin();
    return held;
}

std::vector<Fault> StandInServer::FaultPoints(AShooterPlayerController* player, std::string_view line) {
    const bool heldBefore = PluginHoldsPermissionsPlugin();
    const std::uint64_t queries = PermissionQueries();
    const std::optional<std::uintmax_t> auditBefore = SizeOf(FaultProneAuditFile());
    const std::optional<std::uintmax_t> rotatedBefore =
        SizeOf(Corvane::RotatedAuditFile(FaultProneAuditFile(), 1));

    TheAnswers().Restart(nullptr, true);
    Say(player, line);
    const std::vector<Answer> answers = TheAnswers().Kept();
    TheAnswers().Stop();

    std::vector<Fault> faults;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        faults.push_back({Fault::Kind::Answer, i + 1, answers[i]});
    }
    if (!heldBefore && PermissionQueries() > queries) {
        faults.push_back({Fault::Kind::PermissionsLibraryMissing});
        faults.push_back({Fault::Kind::PermissionsQueryMissing});
    }
    const std::optional<std::uintmax_t> auditAfter = SizeOf(FaultProneAuditFile());
    if (auditAfter && auditAfter != auditBefore) {
        for (const Fault::Kind kind :
             {Fault::Kind::AuditDiskFull, Fault::Kind::AuditFolderUnwritable, Fault::Kind::AuditShortWrite}) {
            faults.push_back({kind});
        }
    }
    if (SizeOf(Corvane::RotatedAuditFile(FaultProneAuditFile(), 1)) != rotatedBefore) {
        faults.push_back({Fault::Kind::AuditRenameFails});
    }
    if (auditAfter && auditAfter != auditBefore) {
        faults.push_back({Fault::Kind::AuditUnreadableAtLoad});
    }
    return faults;
}

RouteResult StandInServer::SayWithFault(AShooterPlayerController* player, std::string_view line,
                                        const Fault& fault) {
    RouteResult result;
    switch (fault.kind) {
        case Fault::Kind::Answer:
            TheAnswers().Restart([&](const Answer&, std::size_t number) { return number == fault.answer; });
            result = Say(player, line);
            TheAnswers().Stop();
            break;
        case Fault::Kind::PermissionsLibraryMissing:
            permissions_.Unload();
            result = Say(player, line);
            LoadPermissionsPlugin();
            break;
        case Fault::Kind::PermissionsQueryMissing:
            LoadPermissionsPlugin(PermissionsHost::Build::WithoutQuery);
            result = Say(player, line);
            LoadPermissionsPlugin();
            break;
        case Fault::Kind::AuditDiskFull:
        case Fault::Kind::AuditFolderUnwritable: {
            const AuditFolderSwap swap(kFailingFolders[fault.kind == Fault::Kind::AuditDiskFull ? 0 : 1]);
            result = Say(player, line);
            break;
        }
        case Fault::Kind::AuditUnreadableAtLoad: {
            Unload();
            {
                // A folder in the record's place: nothing to read back.
                const AuditFolderSwap swap(kFailingFolders[2]);
                Load();
            }
            result = Say(player, line);
            break;
        }
        case Fault::Kind::AuditShortWrite:
        case Fault::Kind::AuditRenameFails: {
            const Platform::ArmedFileFault armed(FileFaultOf(fault.kind), FaultProneAuditFile());
            result = Say(player, line);
            break;
        }
    }
    return result;
}

}  // namespace DevHost
