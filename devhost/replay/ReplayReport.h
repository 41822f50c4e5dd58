// What replay prints: a line for each decision whose outcome would change,
// then how many of each old outcome come out as each new one. Text for
// people, or JSON Lines for tools: one object a change, then one summary.
#pragma once

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <utility>

#include "core/audit/AuditEntry.h"
#include "devhost/replay/Replayer.h"

namespace DevHost {

class ReplayReport {
public:
    ReplayReport(std::ostream& out, bool json) : out_(out), json_(json) {}

    // Prints the decision when its outcome would change.
    void Add(const Corvane::AuditEntry& entry, const Replayed& replayed);
    // A line replay does not decide again (a /corvane line, a carried use, a
    // summary, an outcome it does not know), counted under name: its action,
    // or else its outcome.
    void PassOver(const std::string& name) { ++passedOver_[name]; }
    // A line that is not an audit line of a decision.
    void Skip() { ++skipped_; }
    // Prints the counts.
    void Finish();

    // Some outcome would change, or can't be told.
    bool AnyChange() const { return changed_ + unknown_ > 0; }

private:
    void PrintChange(const Corvane::AuditEntry& entry, const Replayed& replayed);
    void PrintSummary();
    std::size_t PassedOver() const;

    std::ostream& out_;
    const bool json_;
    // Old and new outcome: how many decisions.
    std::map<std::pair<std::string, std::string>, std::size_t> counts_;
    std::size_t replayed_ = 0;
    std::size_t changed_ = 0;  // to a known outcome
    std::size_t unknown_ = 0;
    std::size_t skipped_ = 0;
    std::map<std::string, std::size_t> passedOver_;
};

}  // namespace DevHost
