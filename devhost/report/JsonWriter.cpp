#include "devhost/report/JsonWriter.h"

#include <fmt/format.h>

#include <iterator>

namespace DevHost::Report {

void JsonWriter::Separate() {
    if (!first_) {
        out_ += ',';
    }
    first_ = false;
}

void JsonWriter::Open(char bracket, char closer) {
    Separate();
    out_ += bracket;
    closers_.push_back(closer);
    first_ = true;
}

JsonWriter& JsonWriter::Object() {
    Open('{', '}');
    return *this;
}

JsonWriter& JsonWriter::Array() {
    Open('[', ']');
    return *this;
}

JsonWriter& JsonWriter::End() {
    out_ += closers_.back();
    closers_.pop_back();
    first_ = false;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    String(name);
    out_ += ':';
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    Separate();
    out_ += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool separator = byte == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                               (text[i + 2] == '\xA8' || text[i + 2] == '\xA9');
        if (separator) {
            out_ += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (byte == '"' || byte == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(byte);
        } else if (byte < 0x20 || byte == '<' || byte == '>' || byte == '&') {
            fmt::format_to(std::back_inserter(out_), "\\u{:04x}", byte);
        } else {
            out_ += static_cast<char>(byte);
        }
    }
    out_ += '"';
    return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
    Separate();
    fmt::format_to(std::back_inserter(out_), "{}", value);
    return *this;
}

JsonWriter& JsonWriter::Number(std::int64_t value) {
    Separate();
    fmt::format_to(std::back_inserter(out_), "{}", value);
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Separate();
    out_ += "null";
    return *this;
}

}  // namespace DevHost::Report
