#include "devhost/report/KeptLines.h"

#include <algorithm>

namespace DevHost::Report {
namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

template <typename Entry>
bool Newer(const Entry& a, const Entry& b) {
    return a.time != b.time ? a.time > b.time : a.order > b.order;
}

}  // namespace

std::uint64_t CutForShowing(std::string& text) {
    if (text.size() <= kShownCharacters) {
        return 0;
    }
    std::size_t characters = 0;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        if (!IsContinuation(text[at]) && characters++ == kShownCharacters) {
            break;
        }
    }
    const auto left =
        static_cast<std::uint64_t>(std::count_if(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(),
                                                 [](char byte) { return !IsContinuation(byte); }));
    text.resize(at);
    return left;
}

void KeptLines::Drop(const Entry& entry) {
    slots_[entry.slot] = KeptLine();
    free_.push_back(entry.slot);
    ++leftOut_;
}

void KeptLines::Push(std::vector<Entry>& heap, std::size_t cap, Entry entry) {
    const auto newer = [](const Entry& a, const Entry& b) { return Newer(a, b); };
    heap.push_back(entry);
    std::push_heap(heap.begin(), heap.end(), newer);
    if (heap.size() <= cap) {
        return;
    }
    std::pop_heap(heap.begin(), heap.end(), newer);
    const Entry oldest = heap.back();
    heap.pop_back();
    if (&heap != &recent_ || oldest.kind == LineClass::kGranted) {
        Drop(oldest);
    } else if (oldest.kind == LineClass::kNotGranted) {
        Push(notGranted_, caps_.notGranted, oldest);
    } else {
        Push(record_, caps_.record, oldest);
    }
}

void KeptLines::Offer(KeptLine line, LineClass kind) {
    Entry entry{line.line.time, line.order, 0, kind};
    if (free_.empty()) {
        entry.slot = static_cast<std::uint32_t>(slots_.size());
        slots_.push_back(std::move(line));
    } else {
        entry.slot = free_.back();
        free_.pop_back();
        slots_[entry.slot] = std::move(line);
    }
    Push(recent_, caps_.recent, entry);
}

std::vector<KeptLine> KeptLines::Take() && {
    std::vector<Entry> all;
    all.reserve(recent_.size() + notGranted_.size() + record_.size());
    for (const auto* heap : {&recent_, &notGranted_, &record_}) {
        all.insert(all.end(), heap->begin(), heap->end());
    }
    std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return Newer(b, a); });
    std::vector<KeptLine> lines;
    lines.reserve(all.size());
    for (const Entry& entry : all) {
        lines.push_back(std::move(slots_[entry.slot]));
    }
    return lines;
}

}  // namespace DevHost::Report
