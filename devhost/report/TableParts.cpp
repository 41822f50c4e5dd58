#include "devhost/report/TableParts.h"

namespace DevHost::Report {

bool TableParts::Starts(std::string_view server, std::string_view instance, std::uint64_t seq, bool carried) {
    const bool sameKey = seq_ && server == server_ && instance == instance_;
    const bool starts = !sameKey || (carried && (!carried_ || seq != *seq_ + 1));
    if (!sameKey) {
        server_ = server;
        instance_ = instance;
    }
    seq_ = seq;
    carried_ = carried;
    return starts;
}

}  // namespace DevHost::Report
