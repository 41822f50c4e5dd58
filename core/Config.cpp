#include "core/Config.h"

#include <ios>
#include <stdexcept>

#include "host/Velkor.h"

nlohmann::json& Corvane::Config::Document() {
    static nlohmann::json document;
    return document;
}

void Corvane::Config::ReadDocument(std::ifstream& file, nlohmann::json& document) {
    if (!file.is_open()) {
        throw std::runtime_error("Can't open config.json");
    }
    try {
        file >> document;
    } catch (const std::ios_base::failure&) {
        // The platform's stream can't read it: a directory, say, on Linux.
        throw std::runtime_error("Can't open config.json");
    }
}

void Corvane::Config::ReadAtLoad() {
    std::ifstream file(Velkor::Tools::GetCurrentDir() + "/Velkor/Plugins/Corvane/config.json");
    ReadDocument(file, Document());
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
