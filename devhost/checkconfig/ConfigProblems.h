// Checks a config.json the way the plugin reads and uses it, so that an
// operator meets its problems before the players do.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace DevHost {

struct ConfigProblem {
    // "byte N" in the file, or the JSON pointer of the member; empty when the
    // problem is the file itself or the JSON library gives no position.
    std::string position;
    std::string description;
};

// Every problem found, in the order of the file's reading and use. Nothing
// after a problem that stops the plugin from loading is examined.
// pluginFolder: where the file is taken to lie on a server, for the paths in it.
std::vector<ConfigProblem> FindConfigProblems(const std::filesystem::path& file,
                                              const std::filesystem::path& pluginFolder);

}  // namespace DevHost
