#include "core/text/CommandText.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/WideText.h"

namespace Corvane {
namespace {

bool IsNameCharacter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char FoldAscii(char32_t c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

}  // namespace

WideStringView WholeText(const FString& text) {
    const TEngineArray<WideChar>& chars = text.Chars();
    if (chars.Count <= 0) {
        return {};
    }
    const auto count = static_cast<std::size_t>(chars.Count);
    return {chars.Data, chars.Data[count - 1] == 0 ? count - 1 : count};
}

bool IsOnePrintableLine(WideStringView command) {
    for (std::size_t i = 0; i < command.size(); ++i) {
        const auto code = static_cast<char32_t>(command[i]);
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
            code == '|') {
            return false;
        }
        // A surrogate without its pair: the console gets a code unit that no
        // audit line or log can show as it is.
        const bool high = Engine::IsHighSurrogate(code);
        const bool low = Engine::IsLowSurrogate(code);
        const bool pairedHigh = high && i + 1 < command.size() && Engine::IsLowSurrogate(command[i + 1]);
        if (low || (high && !pairedHigh)) {
            return false;
        }
        i += pairedHigh ? 1 : 0;
    }
    return true;
}

WideStringView FirstWord(WideStringView text) {
    text = text.substr(0, text.find(WideChar{0}));
    const std::size_t start = std::min(text.find_first_not_of(WideChar{' '}), text.size());
    const std::size_t end = std::min(text.find(WideChar{' '}, start), text.size());
    return text.substr(start, end - start);
}

bool StartsWithNoCase(WideStringView text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldAscii(static_cast<char32_t>(text[i])) != FoldAscii(static_cast<unsigned char>(prefix[i])) ||
            static_cast<char32_t>(text[i]) > 0x7F) {
            return false;
        }
    }
    return true;
}

bool IsChained(WideStringView command) {
    return command.find_first_of(WIDE("|\r\n")) != WideStringView::npos;
}

std::string ConsoleName(WideStringView command) {
    std::size_t i = 0;
    while (i < command.size() && command[i] == ' ') {
        ++i;
    }
    std::string name;
    for (; i < command.size() && IsNameCharacter(static_cast<char32_t>(command[i])); ++i) {
        name += FoldAscii(static_cast<char32_t>(command[i]));
    }
    return name;
}

WideStringView TextAfterName(WideStringView command) {
    std::size_t i = 0;
    while (i < command.size() && command[i] == ' ') {
        ++i;
    }
    while (i < command.size() && IsNameCharacter(static_cast<char32_t>(command[i]))) {
        ++i;
    }
    return command.substr(i);
}

CommandChain ReadChain(WideStringView command, const std::set<std::string>& wrappers) {
    CommandChain chain{{ConsoleName(command)}, command};
    while (wrappers.contains(chain.names.back())) {
        WideStringView wrapped = TextAfterName(chain.innermost);
        wrapped.remove_prefix(std::min(wrapped.find_first_not_of(WideChar{' '}), wrapped.size()));
        // A quoted command runs to its closing quote, which is no part of it.
        if (!wrapped.empty() && wrapped[0] == '"') {
            wrapped.remove_prefix(1);
            const std::size_t close = std::min(wrapped.find(WideChar{'"'}), wrapped.size());
            const WideStringView after = wrapped.substr(std::min(close + 1, wrapped.size()));
            chain.textAfterQuote =
                chain.textAfterQuote || after.find_first_not_of(WideChar{' '}) != WideStringView::npos;
            wrapped = wrapped.substr(0, close);
        }
        chain.innermost = wrapped;
        chain.names.push_back(ConsoleName(wrapped));
    }
    return chain;
}

std::string InnermostName(WideStringView command, const std::set<std::string>& wrappers) {
    return ReadChain(command, wrappers).names.back();
}

std::optional<std::vector<WideStringView>> ReadArguments(WideStringView text) {
    std::vector<WideStringView> arguments;
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        if (i == text.size()) {
            return arguments;
        }
        if (text[i] == '"') {
            const std::size_t close = text.find(WideChar{'"'}, i + 1);
            if (close == WideStringView::npos) {
                return std::nullopt;
            }
            arguments.emplace_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const std::size_t end = std::min(text.find(WideChar{' '}, i), text.size());
            arguments.emplace_back(text.substr(i, end - i));
            i = end;
        }
    }
}

const char* ReadingCode(Unsure what) {
    switch (what) {
        case Unsure::Blank: return "blank";
        case Unsure::EscapedQuote: return "escaped-quote";
        case Unsure::EmptyQuote: return "empty-quote";
        case Unsure::AfterQuote: return "after-quote";
    }
    return "";
}

std::string DescribeReading(const UnsureReading& reading) {
    switch (reading.what) {
        case Unsure::Blank:
            return fmt::format("it holds U+{:04X}, a blank other than U+0020",
                               static_cast<std::uint32_t>(reading.blank));
        case Unsure::EscapedQuote: return "it holds a backslash before a double quote";
        case Unsure::EmptyQuote: return "it holds an empty quote or a double quote joined to other text";
        case Unsure::AfterQuote: return "text follows a quoted command";
    }
    return "";
}

bool IsOtherBlank(WideChar c) {
    const auto code = static_cast<char32_t>(c);
    return (code >= 0x09 && code <= 0x0D) || code == 0x85 || code == 0xA0 || code == 0x1680 ||
           code == 0x180E || (code >= 0x2000 && code <= 0x200B) || code == 0x2028 || code == 0x2029 ||
           code == 0x202F || code == 0x205F || code == 0x3000 || code == 0xFEFF;
}

std::optional<UnsureReading> FindUnsureReading(WideStringView text) {
    if (const auto blank = std::find_if(text.begin(), text.end(), IsOtherBlank); blank != text.end()) {
        return UnsureReading{Unsure::Blank, static_cast<char32_t>(*blank)};
    }
    if (text.find(WIDE("\\\"")) != WideStringView::npos) {
        return UnsureReading{Unsure::EscapedQuote};
    }
    // Word by word as ReadArguments reads them: a quote may only open a word
    // and close it, with something between.
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '"') {
            const std::size_t close = text.find(WideChar{'"'}, i + 1);
            if (close == WideStringView::npos) {
                return std::nullopt;
            }
            if (close == i + 1 || (close + 1 < text.size() && text[close + 1] != ' ')) {
                return UnsureReading{Unsure::EmptyQuote};
            }
            i = close + 1;
        } else {
            const std::size_t end = std::min(text.find(WideChar{' '}, i), text.size());
            if (text.substr(i, end - i).find(WideChar{'"'}) != WideStringView::npos) {
                return UnsureReading{Unsure::EmptyQuote};
            }
            i = end;
        }
    }
    return std::nullopt;
}

std::string ConfiguredName(const std::string& name) {
    std::string folded;
    for (const char c : name) {
        if (!IsNameCharacter(static_cast<unsigned char>(c))) {
            return {};
        }
        folded += FoldAscii(static_cast<unsigned char>(c));
    }
    return folded;
}

std::size_t CutPoint(WideStringView text, std::size_t maxCharacters) {
    if (text.size() <= maxCharacters) {
        return text.size();
    }
    const auto last = static_cast<char32_t>(text[maxCharacters - 1]);
    const bool splitsPair = maxCharacters > 0 && Engine::IsHighSurrogate(last);
    return splitsPair ? maxCharacters - 1 : maxCharacters;
}

std::string LogExcerpt(WideStringView text, std::size_t maxCharacters) {
    const std::size_t cut = CutPoint(text, maxCharacters);
    if (cut == text.size()) {
        return Engine::ToPrintableUtf8(text);
    }
    return fmt::format("{}... ({} more characters)", Engine::ToPrintableUtf8(text.substr(0, cut)),
                       text.size() - cut);
}

}  // namespace Corvane
