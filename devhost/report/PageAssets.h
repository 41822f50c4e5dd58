// The report page's fixed parts, built into the program from
// devhost/report/assets/ (EmbedPage.cmake): the page up to its data, with the
// style sheet and the Content-Security-Policy, and the page after its data,
// with the chart library and the page's script.
#pragma once

#include <string_view>

namespace DevHost::Report {

std::string_view PageHead();
std::string_view PageTail();

}  // namespace DevHost::Report
