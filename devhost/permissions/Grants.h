// The stand-in permissions plugin's grants, shared by its control (what a
// host changes) and its query (what plugins ask).
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "devhost/permissions/DevPermissions.h"

namespace DevPermissions {

class Grants final : public Control {
public:
    void Grant(std::uint64_t steamId, WideStringView permission) override;
    void Revoke(std::uint64_t steamId, WideStringView permission) override;
    void RevokeAll() override;
    std::uint64_t QueryCount() const override { return queries_; }

    // A plugin's question; counted.
    bool Holds(std::uint64_t steamId, WideStringView permission);

private:
    std::map<std::uint64_t, std::set<WideString, std::less<>>> grants_;
    std::uint64_t queries_ = 0;
};

Grants& TheGrants();

}  // namespace DevPermissions
