// An observer that keeps every event it is told of, in order, for tests and
// fuzzers to assert on: what ran, what players got, what was logged.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "devhost/events/EventBus.h"

namespace DevHost {

class EventLog {
public:
    explicit EventLog(EventBus& bus = TheEventBus())
        : subscription_(bus.Subscribe([this](const Event& event) { events_.push_back(event); })) {}
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    const std::vector<Event>& All() const { return events_; }
    std::size_t Size() const { return events_.size(); }
    void Clear() { events_.clear(); }

    // The events of one kind, in order; from starts at an index of All().
    template <class Kind>
    std::vector<Kind> Of(std::size_t from = 0) const {
        std::vector<Kind> found;
        for (std::size_t i = from; i < events_.size(); ++i) {
            if (const Kind* event = std::get_if<Kind>(&events_[i])) {
                found.push_back(*event);
            }
        }
        return found;
    }

    // The texts of the log lines, as the sinks formatted them.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (const LogLine& line : Of<LogLine>()) {
            lines.push_back(line.text);
        }
        return lines;
    }

private:
    std::vector<Event> events_;
    Subscription subscription_;
};

}  // namespace DevHost
