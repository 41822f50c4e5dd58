#include "devhost/report/KeptLines.h"

#include <algorithm>

namespace DevHost::Report {
namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

template <typename Entry>
bool Newer(const Entry& a, const Entry& b) {
    return a.kept.line.time != b.kept.line.time ? a.kept.line.time > b.kept.line.time
                                                : a.kept.order > b.kept.order;
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

void KeptLines::Push(std::vector<Entry>& heap, std::size_t cap, Entry entry) {
    const auto newer = [](const Entry& a, const Entry& b) { return Newer(a, b); };
    heap.push_back(std::move(entry));
    std::push_heap(heap.begin(), heap.end(), newer);
    if (heap.size() <= cap) {
        return;
    }
    std::pop_heap(heap.begin(), heap.end(), newer);
    Entry oldest = std::move(heap.back());
    heap.pop_back();
    if (&heap != &recent_ || oldest.kind == LineClass::kGranted) {
        ++leftOut_;
    } else if (oldest.kind == LineClass::kNotGranted) {
        Push(notGranted_, caps_.notGranted, std::move(oldest));
    } else {
        Push(record_, caps_.record, std::move(oldest));
    }
}

void KeptLines::Offer(KeptLine line, LineClass kind) {
    Push(recent_, caps_.recent, {std::move(line), kind});
}

std::vector<KeptLine> KeptLines::Take() && {
    std::vector<Entry> all;
    all.reserve(recent_.size() + notGranted_.size() + record_.size());
    for (auto* heap : {&recent_, &notGranted_, &record_}) {
        std::move(heap->begin(), heap->end(), std::back_inserter(all));
        heap->clear();
    }
    std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return Newer(b, a); });
    std::vector<KeptLine> lines;
    lines.reserve(all.size());
    for (Entry& entry : all) {
        lines.push_back(std::move(entry.kept));
    }
    return lines;
}

}  // namespace DevHost::Report
