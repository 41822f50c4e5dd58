#include "core/settings/ConfigFile.h"

#include <fstream>
#include <ios>
#include <stdexcept>

#include "core/platform/File.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;

// The library's document builder, with the path of every value kept, so that
// a member written twice can be named. Like the library's own, it keeps the
// last of them.
class DocumentBuilder {
public:
    DocumentBuilder(json& root, std::vector<std::string>& repeated) : root_(root), repeated_(repeated) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(json::number_integer_t value) { return Add(value); }
    bool number_unsigned(json::number_unsigned_t value) { return Add(value); }
    bool number_float(json::number_float_t value, const json::string_t&) { return Add(value); }
    bool string(json::string_t& value) { return Add(std::move(value)); }
    bool binary(json::binary_t& value) { return Add(json::binary(std::move(value))); }
    bool start_object(std::size_t) { return Open(json::object()); }
    bool start_array(std::size_t) { return Open(json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(json::string_t& key) {
        const Container& object = open_.back();
        if (object.value->contains(key)) {
            repeated_.push_back(MemberPointer(object.pointer, key));
        }
        key_ = std::move(key);
        return true;
    }

    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& error) {
        throw error;  // the library's own error, as its reader throws it
    }

private:
    struct Container {
        json* value;
        std::string pointer;
    };

    // Places value where the parser stands, and gives where it went.
    json* Place(json value, std::string& pointer) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Container& parent = open_.back();
        if (parent.value->is_array()) {
            pointer = parent.pointer + "/" + std::to_string(parent.value->size());
            parent.value->push_back(std::move(value));
            return &parent.value->back();
        }
        pointer = MemberPointer(parent.pointer, key_);
        json& member = (*parent.value)[key_];
        member = std::move(value);
        return &member;
    }

    bool Add(json value) {
        std::string pointer;
        Place(std::move(value), pointer);
        return true;
    }

    bool Open(json container) {
        std::string pointer;
        json* placed = Place(std::move(container), pointer);
        open_.push_back({placed, std::move(pointer)});
        return true;
    }

    bool Close() {
        open_.pop_back();
        return true;
    }

    json& root_;
    std::vector<std::string>& repeated_;
    std::vector<Container> open_;
    std::string key_;
};

// Where anything but JSON white space follows the value just read.
std::optional<std::uint64_t> TrailingText(std::istream& stream, const json& document) {
    if (stream.eof()) {
        return std::nullopt;
    }
    std::streamoff offset = stream.tellg();
    if (offset < 0) {
        return std::nullopt;
    }
    // A number ends only where the next character does not belong to it: the
    // reader has taken that character too.
    if (document.is_number() && offset > 0) {
        stream.seekg(--offset);
    }
    for (int c = stream.get(); c != std::char_traits<char>::eof(); c = stream.get(), ++offset) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            return static_cast<std::uint64_t>(offset);
        }
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path ConfigFilePath() {
    return Platform::PathFromFramework(Velkor::Tools::GetCurrentDir() + "/" + kConfigFileInServer);
}

std::filesystem::path PluginFolder() {
    return ConfigFilePath().parent_path();
}

std::string MemberPointer(const std::string& parent, const std::string& key) {
    return (json::json_pointer(parent) / key).to_string();
}

ConfigFile ReadConfigFile(const std::filesystem::path& file) {
    // Binary: the offsets are the file's own; JSON reads the same either way.
    std::ifstream stream(file, std::ios::binary);
    return ReadConfig(stream);
}

ConfigFile ReadConfig(std::istream& stream) {
    if (!stream) {
        throw std::runtime_error("Can't open config.json");
    }
    ConfigFile read;
    DocumentBuilder builder(read.document, read.repeated);
    try {
        // Not strict: reading stops after the first complete value.
        json::sax_parse(stream, &builder, json::input_format_t::json, false);
    } catch (const std::ios_base::failure&) {
        // The platform's stream can't read it: a directory, say, on Linux.
        throw std::runtime_error("Can't open config.json");
    }
    read.trailingText = TrailingText(stream, read.document);
    return read;
}

}  // namespace Corvane
