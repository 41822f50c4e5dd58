#include "devhost/events/EventBus.h"

#include <algorithm>

namespace DevHost {

Subscription EventBus::Subscribe(Observer observer) {
    const std::uint64_t id = nextId_++;
    observers_.emplace_back(id, std::move(observer));
    return Subscription(this, id);
}

void EventBus::Publish(const Event& event) const {
    // By index: an observer may subscribe another while it is told.
    for (std::size_t i = 0; i < observers_.size(); ++i) {
        observers_[i].second(event);
    }
}

void EventBus::Unsubscribe(std::uint64_t id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        if (bus_ != nullptr) {
            bus_->Unsubscribe(id_);
        }
        bus_ = std::exchange(other.bus_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

Subscription::~Subscription() {
    if (bus_ != nullptr) {
        bus_->Unsubscribe(id_);
    }
}

EventBus& TheEventBus() {
    static EventBus bus;
    return bus;
}

}  // namespace DevHost
