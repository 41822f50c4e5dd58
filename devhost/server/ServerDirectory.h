// A server directory, laid out as on a server: the plugin's folder with its
// configuration, the gameplay log, the server's log and the framework's log.
//
// A temporary directory belongs to this object and is removed with it; a
// directory the operator named is theirs and is left in place.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace DevHost {

class ServerDirectory {
public:
    // A fresh directory in the system's temporary folder (prefix and a random
    // number) with an empty plugin folder.
    static ServerDirectory Temporary(std::string_view prefix);
    // Without a path: a temporary directory holding the shipped default
    // configuration. With one: that directory as it stands when it exists,
    // otherwise created with the shipped default configuration.
    static ServerDirectory Prepare(const std::optional<std::filesystem::path>& path);

    ServerDirectory(ServerDirectory&& other) noexcept;
    ServerDirectory& operator=(ServerDirectory&&) = delete;
    ~ServerDirectory();

    const std::filesystem::path& Root() const { return root_; }
    // Velkor/Plugins/Corvane: where the plugin reads its configuration.
    std::filesystem::path PluginFolder() const;
    std::filesystem::path ConfigFile() const;
    std::filesystem::path FrameworkLogFile() const;
    std::filesystem::path GameplayLogFile() const;
    // Every event line, as the server's console log.
    std::filesystem::path ServerLogFile() const;
    // Where the permissions plugin keeps its grants, as a real one keeps its
    // own store; none for a temporary directory, which no later run reads.
    std::optional<std::filesystem::path> GrantsFile() const;

    // Writes text, byte for byte, as the plugin's config.json. Throws
    // std::runtime_error when it can't.
    void WriteConfig(std::string_view text) const;
    void RemoveConfig() const;

private:
    ServerDirectory(std::filesystem::path root, bool temporary)
        : root_(std::move(root)), temporary_(temporary) {}

    std::filesystem::path root_;
    bool temporary_;
};

}  // namespace DevHost
