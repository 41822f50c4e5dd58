// A time left as players read it in a reply: "4 minutes 10 seconds".
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace Corvane {

// The largest unit of the time that is not zero (days, hours, minutes,
// seconds) and the next smaller one, that one left out when it is zero:
// "1 second", "4 minutes 10 seconds", "1 day 2 hours". The smaller unit is
// rounded up, and the seconds first, so the words never promise an earlier
// time than the true one: 1 day 0 hours 5 minutes is "1 day 1 hour", and
// 59 minutes 59.5 seconds "1 hour". No time at all is "0 seconds".
std::string TimeInWords(std::chrono::nanoseconds left);

// A time left in whole seconds, rounded up as the words are: a reply never
// promises an earlier time than the true one.
std::int64_t SecondsLeft(std::chrono::nanoseconds left);

}  // namespace Corvane
