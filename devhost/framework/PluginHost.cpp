#include <utility>

#include "devhost/framework/Framework.h"
#include "devhost/platform/DynamicLibrary.h"
#include "host/EntryNotification.h"

namespace DevHost {

PluginHost PluginHost::FromLibrary(std::string path) {
    return PluginHost(std::move(path), nullptr);
}

PluginHost PluginHost::Linked(Platform::PluginEntry entry) {
    return PluginHost({}, entry);
}

PluginHost::PluginHost(PluginHost&& other) noexcept
    : path_(std::move(other.path_)),
      entry_(other.entry_),
      module_(std::exchange(other.module_, nullptr)),
      loaded_(std::exchange(other.loaded_, false)),
      error_(std::move(other.error_)) {}

bool PluginHost::Load() {
    if (loaded_) {
        return true;
    }
    error_.clear();
    if (entry_ == nullptr) {
        module_ = Platform::LoadPlugin(path_, error_);
        loaded_ = module_ != nullptr;
    } else if (entry_(nullptr, EntryNotification::ProcessAttach, nullptr) != 0) {
        loaded_ = true;
    } else {
        // What a loader does after a failed attach.
        entry_(nullptr, EntryNotification::ProcessDetach, nullptr);
        error_ = "the plugin's attach notification failed";
    }
    return loaded_;
}

void PluginHost::Unload() {
    if (!loaded_) {
        return;
    }
    if (entry_ == nullptr) {
        Platform::UnloadPlugin(module_);
        module_ = nullptr;
    } else {
        entry_(nullptr, EntryNotification::ProcessDetach, nullptr);
    }
    loaded_ = false;
}

void PluginHost::NotifyThread(std::uint32_t reason) {
    if (!loaded_) {
        return;
    }
    if (entry_ == nullptr) {
        Platform::NotifyThread(module_, reason);
    } else {
        entry_(nullptr, reason, nullptr);
    }
}

std::string DefaultPluginPath() {
    return Platform::ExecutableDirectory() + "/" + CORVANE_PLUGIN_FILE;
}

}  // namespace DevHost
