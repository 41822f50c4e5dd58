// The page's data as JSON, written as it is made. Every '<', '>' and '&' is
// written as \u003c, \u003e and \u0026, and U+2028 and U+2029 as escapes, so
// that no text of the record can end the script element that holds the data,
// open a comment in it, or end a line of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace DevHost::Report {

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    JsonWriter& Object();
    JsonWriter& Array();
    JsonWriter& End();
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view text);
    JsonWriter& Number(std::uint64_t value);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Null();

private:
    // A comma before every value but the first of its object or array; none after a key.
    void Separate();
    void Open(char bracket, char closer);

    std::string& out_;
    std::vector<char> closers_;
    bool first_ = true;
};

}  // namespace DevHost::Report
