#include "devhost/server/ServerDirectory.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include "devhost/platform/DynamicLibrary.h"

namespace DevHost {
namespace fs = std::filesystem;
namespace {

fs::path MakeTemporaryDirectory(std::string_view prefix) {
    std::random_device random;
    for (;;) {
        const fs::path candidate =
            fs::temp_directory_path() / (std::string(prefix) + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            return candidate;
        }
    }
}

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

ServerDirectory ServerDirectory::Temporary(std::string_view prefix) {
    ServerDirectory directory(MakeTemporaryDirectory(prefix), true);
    fs::create_directories(directory.PluginFolder());
    return directory;
}

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
    : root_(std::move(other.root_)), temporary_(std::exchange(other.temporary_, false)) {}

ServerDirectory::~ServerDirectory() {
    if (temporary_) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
}

std::optional<fs::path> ServerDirectory::GrantsFile() const {
    if (temporary_) {
        return std::nullopt;
    }
    return root_ / "Velkor" / "Plugins" / "Permissions" / "Grants.json";
}

fs::path ServerDirectory::PluginFolder() const {
    return root_ / "Velkor" / "Plugins" / "Corvane";
}

fs::path ServerDirectory::ConfigFile() const {
    return PluginFolder() / "config.json";
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

void ServerDirectory::WriteConfig(std::string_view text) const {
    const fs::path file = ConfigFile();
    fs::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << text;
    if (!stream.flush()) {
        throw std::runtime_error("can't write " + file.string());
    }
}

void ServerDirectory::RemoveConfig() const {
    fs::remove(ConfigFile());
}

}  // namespace DevHost
