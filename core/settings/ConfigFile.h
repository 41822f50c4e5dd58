// config.json as the plugin reads it: the first JSON value in the file (a
// UTF-8 byte-order mark skipped), and what the JSON library alone would not
// tell: members written twice in one object, and text after that value.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace Corvane {

// Its members only free memory when destroyed; the check can't see that in json's.
struct ConfigFile {  // NOLINT(bugprone-exception-escape)
    // As the JSON library reads it: of a member written twice, the last one.
    nlohmann::json document;
    // The JSON pointer of each member written again in the same object, in
    // the order of the file.
    std::vector<std::string> repeated;
    // Where text after the first value starts, in bytes from the start of the
    // file, when anything but white space follows it. It is never read.
    std::optional<std::uint64_t> trailingText;
};

// Where the configuration lies in the server directory.
inline constexpr const char* kConfigFileInServer = "Velkor/Plugins/Corvane/config.json";

// "<server dir>/Velkor/Plugins/Corvane/config.json".
std::filesystem::path ConfigFilePath();
// The folder that holds it, from which a relative audit file is taken.
std::filesystem::path PluginFolder();

// Reads the file. Throws std::runtime_error("Can't open config.json") when it
// can't be opened or read (a directory, say), the library's parse error on
// malformed JSON, and its out-of-range error for a number no double holds.
ConfigFile ReadConfigFile(const std::filesystem::path& file);
// The same from an opened stream; "Can't open config.json" when it isn't open.
ConfigFile ReadConfig(std::istream& stream);

// The JSON pointer of the member key of the object at parent.
std::string MemberPointer(const std::string& parent, const std::string& key);

}  // namespace Corvane
