#include "ServerDirectory.h"

#include <unistd.h>

#include "Framework.h"

namespace Fuzz {

ServerDirectory::ServerDirectory(const std::string& name)
    : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_ / "Velkor" / "Plugins" / "Corvane");
    DevHost::SetCurrentDir(path_.string());
}

ServerDirectory::~ServerDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ServerDirectory::ConfigFile() const {
    return path_ / "Velkor" / "Plugins" / "Corvane" / "config.json";
}

}  // namespace Fuzz
