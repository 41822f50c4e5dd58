#include "companion/Cursor.h"

#include <fstream>
#include <iterator>
#include <random>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "companion/platform/WrittenFiles.h"

namespace Companion {
namespace {

using nlohmann::json;

std::string NewInstanceId() {
    std::random_device random;
    std::string id;
    for (int part = 0; part < 4; ++part) {
        id += fmt::format("{:08x}", random());
    }
    return id;
}

bool IsInstanceId(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

std::filesystem::path CursorFile(const std::filesystem::path& auditFile, const std::string& server) {
    std::filesystem::path file = auditFile;
    file += "." + server + ".instance";
    return file;
}

std::string CursorText(const Cursor& cursor) {
    json text = {{"instance", cursor.instance}, {"seq", cursor.seq}};
    if (cursor.position) {
        const ChainPosition& at = *cursor.position;
        text["file"] = {{"volume", at.file.volume},
                        {"index", at.file.index},
                        {"headHash", at.headHash},
                        {"headLength", at.headLength},
                        {"offset", at.offset}};
    }
    return text.dump() + "\n";
}

std::optional<Cursor> ParseCursor(const std::string& text) {
    const json document = json::parse(text, nullptr, false);
    if (!document.is_object() || !document.contains("instance") || !document["instance"].is_string() ||
        !document.contains("seq") || !document["seq"].is_number_unsigned()) {
        return std::nullopt;
    }
    Cursor cursor{document["instance"].get<std::string>(), document["seq"].get<std::uint64_t>(),
                  std::nullopt};
    if (!IsInstanceId(cursor.instance)) {
        return std::nullopt;
    }
    if (const auto file = document.find("file"); file != document.end()) {
        try {
            cursor.position = ChainPosition{
                {file->at("volume").get<std::uint64_t>(), file->at("index").get<std::uint64_t>(), 0},
                file->at("headHash").get<std::uint64_t>(),
                file->at("headLength").get<std::uint32_t>(),
                file->at("offset").get<std::uint64_t>()};
        } catch (const json::exception&) {
            return std::nullopt;
        }
    }
    return cursor;
}

LoadedCursor LoadCursor(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return {{NewInstanceId(), 0, std::nullopt}, true, false};
    }
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (auto cursor = ParseCursor(text)) {
        return {std::move(*cursor), false, false};
    }
    return {{NewInstanceId(), 0, std::nullopt}, true, true};
}

bool SaveCursor(const std::filesystem::path& file, const Cursor& cursor) {
    return ReplaceContents(file, CursorText(cursor));
}

}  // namespace Companion
