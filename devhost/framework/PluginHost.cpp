#include "devhost/framework/Framework.h"
#include "devhost/platform/DynamicLibrary.h"

namespace DevHost {

bool PluginHost::Load() {
    if (module_ != nullptr) {
        return true;
    }
    error_.clear();
    module_ = Platform::LoadPlugin(path_, error_);
    return module_ != nullptr;
}

void PluginHost::Unload() {
    if (module_ != nullptr) {
        Platform::UnloadPlugin(module_);
        module_ = nullptr;
    }
}

void PluginHost::NotifyThread(std::uint32_t reason) {
    if (module_ != nullptr) {
        Platform::NotifyThread(module_, reason);
    }
}

std::string DefaultPluginPath() {
    return Platform::ExecutableDirectory() + "/" + CORVANE_PLUGIN_FILE;
}

}  // namespace DevHost
