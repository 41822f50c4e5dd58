// The plugin's configuration: config.json in the plugin's folder, read once at
// load into a process-wide JSON document, then looked up by the chat handler.
//
// Lookups use the JSON library's non-constant member access, so a missing
// member is added to the in-memory document as null (never to the file), and
// the library's type errors pass to the caller.
#pragma once

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

#include "engine/FString.h"

namespace Corvane::Config {

// Null before the first load.
nlohmann::json& Document();

// Reads "<server dir>/Velkor/Plugins/Corvane/config.json". Throws
// std::runtime_error("Can't open config.json") when the file cannot be opened
// or read (a directory, say),
// the library's parse error on malformed JSON, and its out-of-range error for a
// number no double holds; text after the first complete value is not read.
void ReadAtLoad();

// Extracts the first JSON value of an opened config.json into document, as
// ReadAtLoad does, with the same errors: "Can't open config.json" for a file
// that isn't open or can't be read, the library's parse and range errors.
void ReadDocument(std::ifstream& file, nlohmann::json& document);

// The text of "Messages"[key], or "No message" when the key is absent.
FString GetMessageText(const std::string& key);
// The same with a text of ours for an absent key.
FString GetMessageText(const std::string& key, const std::string& fallback);

// "PrintToChat"; throws the library's type error unless it is a boolean.
bool PrintToChat();

}  // namespace Corvane::Config
