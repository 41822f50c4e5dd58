#include "devhost/app/ServerDirectory.h"

#include <stdexcept>
#include <string>

#include "devhost/framework/TemporaryServerDirectory.h"
#include "devhost/platform/DynamicLibrary.h"

namespace DevHost {
namespace fs = std::filesystem;
namespace {

// The shipped default, installed beside the program as it is laid out on a server.
fs::path ShippedServerDirectory() {
    const fs::path shipped = fs::path(Platform::ExecutableDirectory()) / "server";
    if (!fs::is_directory(shipped)) {
        throw std::runtime_error("the shipped default configuration is missing: " + shipped.string() +
                                 " (rebuild to restore it)");
    }
    return shipped;
}

}  // namespace

ServerDirectory ServerDirectory::Prepare(const std::optional<fs::path>& path) {
    if (path && fs::exists(*path)) {
        if (!fs::is_directory(*path)) {
            throw std::runtime_error(path->string() + " is not a directory");
        }
        return ServerDirectory(*path, false);
    }
    const fs::path shipped = ShippedServerDirectory();
    ServerDirectory directory = path ? ServerDirectory(*path, false)
                                     : ServerDirectory(MakeTemporaryDirectory("corvane-devhost-"), true);
    fs::create_directories(directory.root_);
    // Entry by entry: MinGW's standard library refuses to copy a directory onto
    // one that exists, which the root already does.
    for (const fs::directory_entry& entry : fs::directory_iterator(shipped)) {
        fs::copy(entry.path(), directory.root_ / entry.path().filename(), fs::copy_options::recursive);
    }
    return directory;
}

ServerDirectory::ServerDirectory(ServerDirectory&& other) noexcept
    : root_(std::move(other.root_)), temporary_(other.temporary_) {
    other.temporary_ = false;
}

ServerDirectory::~ServerDirectory() {
    if (temporary_) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
}

fs::path ServerDirectory::ConfigFile() const {
    return PluginConfigFile(root_);
}

fs::path ServerDirectory::FrameworkLogFile() const {
    return root_ / "Velkor" / "Logs" / "Velkor.log";
}

fs::path ServerDirectory::GameplayLogFile() const {
    return root_ / "Logs" / "Gameplay.log";
}

fs::path ServerDirectory::ServerLogFile() const {
    return root_ / "Logs" / "Server.log";
}

}  // namespace DevHost
