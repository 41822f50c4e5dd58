#include "devhost/permissions/DevPermissions.h"

#include <map>
#include <set>

#include "engine/FString.h"

namespace {

class Grants final : public DevPermissions::Control {
public:
    void Grant(std::uint64_t steamId, WideStringView permission) override {
        grants_[steamId].emplace(permission);
    }

    void Revoke(std::uint64_t steamId, WideStringView permission) override {
        auto& granted = grants_[steamId];
        if (const auto found = granted.find(permission); found != granted.end()) {
            granted.erase(found);
        }
    }

    void RevokeAll() override {
        grants_.clear();
        queries_ = 0;
    }

    std::uint64_t QueryCount() const override { return queries_; }

    bool Holds(std::uint64_t steamId, WideStringView permission) {
        ++queries_;
        const auto player = grants_.find(steamId);
        return player != grants_.end() && player->second.count(permission) != 0;
    }

private:
    std::map<std::uint64_t, std::set<WideString, std::less<>>> grants_;
    std::uint64_t queries_ = 0;
};

Grants& TheGrants() {
    static Grants grants;
    return grants;
}

}  // namespace

extern "C" PERMISSIONS_API DevPermissions::Control* DevPermissionsControl() {
    return &TheGrants();
}

extern "C" PERMISSIONS_API bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    return TheGrants().Holds(steamId, permission.View());
}
