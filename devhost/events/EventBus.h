// Where the stand-ins publish their events and observers subscribe to them.
//
// There is one bus a process, like the engine and the framework it serves.
// Observers are told of each event at once, in the order they subscribed; a
// Subscription ends its observer's turn when it is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "devhost/events/Event.h"

namespace DevHost {

using Observer = std::function<void(const Event&)>;

class Subscription;

class EventBus {
public:
    [[nodiscard]] Subscription Subscribe(Observer observer);
    void Publish(const Event& event) const;

private:
    friend class Subscription;
    void Unsubscribe(std::uint64_t id);

    std::vector<std::pair<std::uint64_t, Observer>> observers_;
    std::uint64_t nextId_ = 1;
};

class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept : bus_(std::exchange(other.bus_, nullptr)), id_(other.id_) {}
    Subscription& operator=(Subscription&& other) noexcept;
    ~Subscription();

private:
    friend class EventBus;
    Subscription(EventBus* bus, std::uint64_t id) : bus_(bus), id_(id) {}

    EventBus* bus_ = nullptr;
    std::uint64_t id_ = 0;
};

EventBus& TheEventBus();

}  // namespace DevHost
