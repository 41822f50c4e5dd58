// corvane-devhost: plays the server around the real plugin library.
#include <spdlog/sinks/ostream_sink.h>

#include <filesystem>
#include <iostream>

#include "DynamicLibrary.h"
#include "Framework.h"
#include "Velkor.h"

int main() {
    namespace fs = std::filesystem;
    const fs::path shipped = fs::path(DevHost::Platform::ExecutableDirectory()) / "server";
    const fs::path serverDir = fs::temp_directory_path() / "corvane-devhost";
    fs::remove_all(serverDir);
    fs::copy(shipped, serverDir, fs::copy_options::recursive);
    DevHost::SetCurrentDir(serverDir.string());
    GetLogSinks().push_back(std::make_shared<spdlog::sinks::ostream_sink_mt>(std::cout));

    DevHost::PluginHost plugin(DevHost::DefaultPluginPath());
    if (!plugin.Load()) {
        std::cout << "plugin failed to load: " << plugin.error() << "\n";
        return 1;
    }
    std::cout << "plugin loaded from " << DevHost::DefaultPluginPath() << "\n";
    plugin.Unload();
    std::cout << "plugin unloaded\n";
    return 0;
}
