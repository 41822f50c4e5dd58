#include "devhost/console/Interpreter.h"

#include <fmt/format.h>

#include <charconv>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace DevHost {
namespace {

constexpr std::string_view kBlanks = " \t";

// Takes the next blank-separated word off the front of text, leaving text just
// after the word (its separator included).
std::string_view NextWord(std::string_view& text) {
    const std::size_t start = std::min(text.find_first_not_of(kBlanks), text.size());
    const std::size_t end = std::min(text.find_first_of(kBlanks, start), text.size());
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

// The rest of the line after the one blank that ends the previous word, as written.
std::string RestAsWritten(std::string_view text) {
    return std::string(text.empty() ? text : text.substr(1));
}

std::uint64_t ParseSteamId(std::string_view word) {
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), id);
    if (word.empty() || error != std::errc() || end != word.data() + word.size()) {
        throw std::invalid_argument("not a Steam id: " + std::string(word));
    }
    return id;
}

std::chrono::nanoseconds ParseSeconds(std::string_view word) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), seconds);
    // At most about a hundred years, which the clock's nanoseconds hold.
    if (error != std::errc() || end != word.data() + word.size() || !(seconds >= 0) || seconds > 3e9) {
        throw std::invalid_argument("not a number of seconds: " + std::string(word));
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
}

struct Parsed {
    std::vector<std::string> words;
    std::string rest;
};

using Next = Interpreter::Next;

struct Command {
    std::string_view name;
    std::string_view usage;
    std::string_view summary;
    // The number of words after the name; "say" and "config" also take the rest of the line.
    std::size_t words;
    bool takesRest;
    Next (*run)(Session& session, std::ostream& help, const Parsed& parsed);
};

void PrintHelp(std::ostream& out);

constexpr Command kCommands[] = {
    {"config", "config <text>", "write <text>, byte for byte, as config.json (read at the next load)", 0,
     true,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Server().WriteConfig(parsed.rest);
         return Next::Continue;
     }},
    {"remove-config", "remove-config", "delete config.json", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.Server().RemoveConfig();
         return Next::Continue;
     }},
    {"load", "load", "load the plugin (process attach)", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.Load();
         return Next::Continue;
     }},
    {"unload", "unload", "unload the plugin (process detach)", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.Unload();
         return Next::Continue;
     }},
    {"reload", "reload", "unload (when loaded), then load", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         if (session.Server().Loaded()) {
             session.Unload();
         }
         session.Load();
         return Next::Continue;
     }},
    {"restart", "restart",
     "the server restarts: memory is gone, time goes on, players reconnect, the plugin loads", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.Restart();
         return Next::Continue;
     }},
    {"join", "join <name> <steam-id>", "a player connects; <name> is also the character name", 2, false,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Server().Join(parsed.words[0], ParseSteamId(parsed.words[1]));
         return Next::Continue;
     }},
    {"leave", "leave <name>", "the player disconnects", 1, false,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Server().Leave(parsed.words[0]);
         return Next::Continue;
     }},
    {"grant", "grant <name> <permission>", "grant a permission, such as Cheat.fly (case as typed)", 2, false,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Grant(parsed.words[0], parsed.words[1]);
         return Next::Continue;
     }},
    {"revoke", "revoke <name> <permission>", "take a permission back", 2, false,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Revoke(parsed.words[0], parsed.words[1]);
         return Next::Continue;
     }},
    {"say", "say <name> <text>", "the player sends <text>, exactly as written, as a chat line", 1, true,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Say(parsed.words[0], parsed.rest);
         return Next::Continue;
     }},
    {"wait", "wait <seconds>", "let <seconds> pass at once on the server's clock (for cooldowns)", 1, false,
     [](Session& session, std::ostream&, const Parsed& parsed) {
         session.Server().LetTimePass(ParseSeconds(parsed.words[0]));
         return Next::Continue;
     }},
    {"memory", "memory", "the engine allocator's live blocks", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.ReportMemory();
         return Next::Continue;
     }},
    {"feed", "feed", "the cluster's feed config.json names: its heartbeat's age, its lines", 0, false,
     [](Session& session, std::ostream&, const Parsed&) {
         session.ReportFeed();
         return Next::Continue;
     }},
    {"help", "help", "this list", 0, false,
     [](Session&, std::ostream& help, const Parsed&) {
         PrintHelp(help);
         return Next::Continue;
     }},
    {"quit", "quit", "unload the plugin and leave", 0, false,
     [](Session&, std::ostream&, const Parsed&) { return Next::Quit; }},
};

const Command& Find(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return command;
        }
    }
    throw std::invalid_argument("unknown command " + std::string(name) + " (try help)");
}

Parsed Parse(const Command& command, std::string_view text) {
    Parsed parsed;
    for (std::size_t i = 0; i < command.words; ++i) {
        const std::string_view word = NextWord(text);
        if (word.empty()) {
            throw std::invalid_argument("usage: " + std::string(command.usage));
        }
        parsed.words.emplace_back(word);
    }
    if (command.takesRest) {
        if (command.words > 0 && text.empty()) {
            throw std::invalid_argument("usage: " + std::string(command.usage));
        }
        parsed.rest = RestAsWritten(text);
    } else if (text.find_first_not_of(kBlanks) != std::string_view::npos) {
        throw std::invalid_argument("usage: " + std::string(command.usage));
    }
    return parsed;
}

void PrintHelp(std::ostream& out) {
    for (const Command& command : kCommands) {
        out << fmt::format("  {:<28}{}\n", command.usage, command.summary);
    }
    out << "Blank lines and lines starting with # are skipped.\n" << std::flush;
}

}  // namespace

bool Interpreter::IsCommand(std::string_view line) {
    const std::size_t start = line.find_first_not_of(kBlanks);
    return start != std::string_view::npos && line[start] != '#';
}

Interpreter::Next Interpreter::Run(std::string_view line) {
    if (!IsCommand(line)) {
        return Next::Continue;
    }
    const std::string_view name = NextWord(line);
    const Command& command = Find(name);
    return command.run(session_, help_, Parse(command, line));
}

}  // namespace DevHost
