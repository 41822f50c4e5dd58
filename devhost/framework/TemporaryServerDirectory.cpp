#include "devhost/framework/TemporaryServerDirectory.h"

#include <fstream>
#include <random>
#include <string>

#include "devhost/framework/Framework.h"

namespace DevHost {
namespace fs = std::filesystem;

fs::path PluginConfigFile(const fs::path& serverDir) {
    return serverDir / "Velkor" / "Plugins" / "Corvane" / "config.json";
}

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

TemporaryServerDirectory::TemporaryServerDirectory(std::string_view prefix)
    : path_(MakeTemporaryDirectory(prefix)) {
    fs::create_directories(ConfigFile().parent_path());
    SetCurrentDir(path_.string());
}

TemporaryServerDirectory::~TemporaryServerDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TemporaryServerDirectory::WriteConfig(std::string_view text) const {
    std::ofstream(ConfigFile(), std::ios::binary) << text;
}

}  // namespace DevHost
