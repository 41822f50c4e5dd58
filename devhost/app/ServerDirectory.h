// The server directory the dev host plays in, laid out as on a server: the
// plugin's configuration, the gameplay log and the framework's log under it.
//
// A temporary directory belongs to this object and is removed with it; a
// directory the operator named is theirs and is left in place.
#pragma once

#include <filesystem>
#include <optional>

namespace DevHost {

class ServerDirectory {
public:
    // Without a path: a fresh temporary directory holding the shipped default
    // configuration. With one: that directory as it stands when it exists,
    // otherwise created with the shipped default configuration.
    static ServerDirectory Prepare(const std::optional<std::filesystem::path>& path);

    ServerDirectory(ServerDirectory&& other) noexcept;
    ServerDirectory& operator=(ServerDirectory&&) = delete;
    ~ServerDirectory();

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path ConfigFile() const;
    std::filesystem::path FrameworkLogFile() const;
    std::filesystem::path GameplayLogFile() const;
    // Every event line, as the server's console log.
    std::filesystem::path ServerLogFile() const;

private:
    ServerDirectory(std::filesystem::path root, bool temporary)
        : root_(std::move(root)), temporary_(temporary) {}

    std::filesystem::path root_;
    bool temporary_;
};

}  // namespace DevHost
