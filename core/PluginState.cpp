#include "core/PluginState.h"

namespace Corvane {
namespace {

// A plain pointer, not an owner with a destructor: at process exit the state
// is left alone, since the framework it would call may already be gone.
PluginState* current = nullptr;

}  // namespace

PluginState* CurrentState() {
    return current;
}

void InstallState(std::unique_ptr<PluginState> state) {
    DestroyState();
    current = state.release();
}

void DestroyState() noexcept {
    delete current;
    current = nullptr;
}

}  // namespace Corvane
