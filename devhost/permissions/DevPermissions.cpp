#include "devhost/permissions/DevPermissions.h"

#include "devhost/permissions/Grants.h"

namespace DevPermissions {

void Grants::Grant(std::uint64_t steamId, WideStringView permission) {
    grants_[steamId].emplace(permission);
}

void Grants::Revoke(std::uint64_t steamId, WideStringView permission) {
    auto& granted = grants_[steamId];
    if (const auto found = granted.find(permission); found != granted.end()) {
        granted.erase(found);
    }
}

void Grants::RevokeAll() {
    grants_.clear();
    queries_ = 0;
}

bool Grants::Holds(std::uint64_t steamId, WideStringView permission) {
    ++queries_;
    const auto player = grants_.find(steamId);
    return player != grants_.end() && player->second.count(permission) != 0;
}

Grants& TheGrants() {
    static Grants grants;
    return grants;
}

}  // namespace DevPermissions

extern "C" PERMISSIONS_API DevPermissions::Control* DevPermissionsControl() {
    return &DevPermissions::TheGrants();
}
