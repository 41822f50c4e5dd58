// A server directory of the fuzz target's own, with the plugin's folder, made
// the framework's current directory; removed when the process ends normally.
#pragma once

#include <filesystem>
#include <string>

namespace Fuzz {

class ServerDirectory {
public:
    explicit ServerDirectory(const std::string& name);
    ~ServerDirectory();
    ServerDirectory(const ServerDirectory&) = delete;
    ServerDirectory& operator=(const ServerDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path ConfigFile() const;

private:
    std::filesystem::path path_;
};

}  // namespace Fuzz
