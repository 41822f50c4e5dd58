#include "core/history/Cooldowns.h"

#include <functional>

namespace Corvane {

std::size_t Cooldowns::KeyHash::operator()(const Key& key) const {
    return std::hash<std::uint64_t>()(key.steamId) * 31 + std::hash<std::string>()(key.name);
}

void Cooldowns::DropExpired(Clock::time_point now) {
    while (!byExpiry_.empty() && byExpiry_.begin()->first <= now) {
        entries_.erase(byExpiry_.begin()->second);
        byExpiry_.erase(byExpiry_.begin());
    }
}

Cooldowns::Clock::duration Cooldowns::Remaining(std::uint64_t steamId, const std::string& name,
                                                Clock::time_point now) const {
    const auto found = entries_.find(Key{steamId, name});
    if (found == entries_.end() || found->second->first <= now) {
        return Clock::duration::zero();
    }
    return found->second->first - now;
}

void Cooldowns::Start(std::uint64_t steamId, const std::string& name, Clock::duration length,
                      Clock::time_point now) {
    DropExpired(now);
    Key key{steamId, name};
    if (const auto found = entries_.find(key); found != entries_.end()) {
        byExpiry_.erase(found->second);
        entries_.erase(found);
    }
    if (length > Clock::duration::zero()) {
        entries_.emplace(key, byExpiry_.emplace(now + length, key));
    }
}

}  // namespace Corvane
