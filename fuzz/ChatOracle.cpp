#include "fuzz/ChatOracle.h"

#include <fmt/xchar.h>

namespace Fuzz {
namespace {

WideChar FoldAscii(WideChar c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<WideChar>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(WideStringView text, WideStringView prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldAscii(text[i]) != FoldAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsRouted(WideStringView line) {
    const WideStringView word = line.substr(0, line.find(WideChar{' '}));
    return word.size() == 6 && StartsWithNoCase(word, WIDE("/cheat"));
}

// fmt's own wide formatting, as an engine string keeps its result.
template <class... Args>
WideString Format(WideStringView format, const Args&... args) {
    return CutAtNul(fmt::vformat(fmt::basic_string_view<WideChar>(format.data(), format.size()),
                                 fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                     fmt::basic_string_view<WideChar>(args.data(), args.size())...)));
}

void NoteTypeError(int id, std::vector<ErrorMatch>& errors) {
    if (id != 0) {
        errors.push_back({TypeErrorPrefix(id), true});
    }
}

void ExpectRefusal(const ConfigModel& config, ChatExpectation& expected) {
    expected.kind = ChatExpectation::Kind::Refused;
    const MessageOutcome sender = config.Message("Sender");
    const MessageOutcome reply = config.Message("NoPermissions");
    NoteTypeError(sender.typeError, expected.errors);
    NoteTypeError(reply.typeError, expected.errors);
    expected.sender = sender.text;
    try {
        expected.reply = Format(reply.text);
    } catch (const fmt::format_error& error) {
        expected.errors.push_back({error.what(), false});
    }
}

void ExpectGrant(const ConfigModel& config, WideStringView name, ChatExpectation& expected) {
    expected.kind = ChatExpectation::Kind::Granted;
    const MessageOutcome logFormat = config.Message("LogMsg");
    NoteTypeError(logFormat.typeError, expected.errors);
    if (logFormat.typeError == 0) {
        try {
            expected.logText = Format(logFormat.text, CutAtNul(name), expected.command);
        } catch (const fmt::format_error& error) {
            expected.errors.push_back({error.what(), false});
        }
    }
    const SwitchOutcome printToChat = config.PrintToChat();
    NoteTypeError(printToChat.typeError, expected.errors);
    expected.broadcast = printToChat.value;
}

}  // namespace

bool ErrorMatch::Matches(const std::string& error) const {
    return prefixOnly ? error.rfind(text, 0) == 0 : error == text;
}

std::vector<WideString> BlankSeparatedWords(WideStringView text) {
    std::vector<WideString> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t blank = std::min(text.find(WideChar{' '}, start), text.size());
        if (blank > start) {
            words.emplace_back(text.substr(start, blank - start));
        }
        start = blank + 1;
    }
    return words;
}

ChatExpectation Expect(const ConfigModel& config, const ChatLine& line) {
    ChatExpectation expected;
    expected.routed = line.loaded && IsRouted(line.text);
    // The engine string the framework builds is read up to its first NUL.
    const WideString text = CutAtNul(line.text);
    const std::vector<WideString> words = BlankSeparatedWords(text);
    if (!expected.routed || words.size() < 2) {
        return expected;
    }
    constexpr std::size_t kPrefixLength = 7;
    expected.command = text.substr(std::min(kPrefixLength, text.size()));
    expected.chained = expected.command.find_first_of(WIDE("|\r\n")) != WideString::npos;
    const bool granted = line.grants->count(WIDE("Cheat.") + words[1]) != 0;
    if (expected.chained || !granted) {
        ExpectRefusal(config, expected);
    } else if (StartsWithNoCase(text, WIDE("/cheat "))) {
        ExpectGrant(config, line.name, expected);
    }
    return expected;
}

}  // namespace Fuzz
