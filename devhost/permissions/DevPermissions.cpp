#include "devhost/permissions/DevPermissions.h"

#include <map>
#include <set>

#include "engine/FString.h"

namespace {

struct State {
    std::map<std::uint64_t, std::set<WideString, std::less<>>> grants;
    std::uint64_t queries = 0;
};

State& TheState() {
    static State state;
    return state;
}

}  // namespace

namespace DevPermissions {

void Grant(std::uint64_t steamId, WideStringView permission) {
    TheState().grants[steamId].emplace(permission);
}

void Revoke(std::uint64_t steamId, WideStringView permission) {
    auto& granted = TheState().grants[steamId];
    if (const auto found = granted.find(permission); found != granted.end()) {
        granted.erase(found);
    }
}

void RevokeAll() {
    TheState() = State();
}

std::uint64_t QueryCount() {
    return TheState().queries;
}

}  // namespace DevPermissions

extern "C" PERMISSIONS_API bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    State& state = TheState();
    ++state.queries;
    const auto player = state.grants.find(steamId);
    return player != state.grants.end() && player->second.count(permission.View()) != 0;
}
