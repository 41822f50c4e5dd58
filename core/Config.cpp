#include "core/Config.h"

#include <fstream>
#include <stdexcept>

#include "host/Velkor.h"

nlohmann::json& Corvane::Config::Document() {
    static nlohmann::json document;
    return document;
}

void Corvane::Config::ReadAtLoad() {
    const std::string path = Velkor::Tools::GetCurrentDir() + "/Velkor/Plugins/Corvane/config.json";
    std::ifstream file(path);
    if (!file.is_open()) {
        throw std::runtime_error("Can't open config.json");
    }
    file >> Document();
}

FString Corvane::Config::GetMessageText(const std::string& key) {
    const std::string text = Document()["Messages"].value(key, "No message");
    const WideString wide = Velkor::Tools::Utf8Decode(text);
    return FString::FromWide(wide.c_str());
}

bool Corvane::Config::PrintToChat() {
    return Document()["PrintToChat"].get<bool>();
}
