// A server directory of one's own in the system's temporary folder, laid out
// with the plugin's folder, made the framework's current directory and removed
// with this object. Tests, fuzzers, benchmarks and the dev host play in one
// when they have no server of their own.
#pragma once

#include <filesystem>
#include <string_view>

namespace DevHost {

// Where the plugin reads its configuration under a server directory.
std::filesystem::path PluginConfigFile(const std::filesystem::path& serverDir);

// A new, empty directory in the system's temporary folder: prefix and a random number.
std::filesystem::path MakeTemporaryDirectory(std::string_view prefix);

class TemporaryServerDirectory {
public:
    explicit TemporaryServerDirectory(std::string_view prefix);
    TemporaryServerDirectory(const TemporaryServerDirectory&) = delete;
    TemporaryServerDirectory& operator=(const TemporaryServerDirectory&) = delete;
    ~TemporaryServerDirectory();

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path ConfigFile() const { return PluginConfigFile(path_); }
    // Writes text, byte for byte, as the plugin's config.json.
    void WriteConfig(std::string_view text) const;

private:
    std::filesystem::path path_;
};

}  // namespace DevHost
