#include "core/Config.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/Velkor.h"

nlohmann::json& Corvane::Config::Document() {
    static nlohmann::json document;
    return document;
}

namespace {

// The file's bytes; a file that can't be opened or read (a directory, say)
// is one that can't be opened, whatever the platform's stream makes of it.
std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    char buffer[4096];
    while (file.is_open() && (file.read(buffer, sizeof buffer) || file.gcount() > 0)) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (!file.is_open() || file.bad()) {
        throw std::runtime_error("Can't open config.json");
    }
    return bytes;
}

}  // namespace

void Corvane::Config::ReadAtLoad() {
    std::istringstream text(ReadFile(Velkor::Tools::GetCurrentDir() + "/Velkor/Plugins/Corvane/config.json"));
    text >> Document();
}

FString Corvane::Config::GetMessageText(const std::string& key) {
    return GetMessageText(key, "No message");
}

FString Corvane::Config::GetMessageText(const std::string& key, const std::string& fallback) {
    const std::string text = Document()["Messages"].value(key, fallback);
    const WideString wide = Velkor::Tools::Utf8Decode(text);
    return FString::FromWide(wide.c_str());
}

bool Corvane::Config::PrintToChat() {
    return Document()["PrintToChat"].get<bool>();
}
