// The settings read from config.json: the message texts and the switch the
// chat handler reads, on every shape of document an operator can write, and
// what the file's reading finds beyond the JSON library's own reading.
#include <gmock/gmock.h>

#include <optional>
#include <string>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"
#include "devhost/server/StandInServer.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using json = nlohmann::json;

class ConfigTest : public EngineValueTest {
protected:
    void SetUp() override {
        EngineValueTest::SetUp();
        server_.emplace(DevHost::ServerDirectory::Temporary("corvane-config-"));
    }

    void TearDown() override {
        server_.reset();
        EngineValueTest::TearDown();
    }

    void WriteConfig(const std::string& text) { server_->WriteConfig(text); }

    // The settings of a document, as the load reads them.
    static Corvane::Settings Read(const char* document) {
        return Corvane::ReadSettings({json::parse(document), {}, {}}, "plugin").settings;
    }

private:
    std::optional<DevHost::StandInServer> server_;
};

struct TypeError {
    int id;
    std::string what;
    bool operator==(const TypeError&) const = default;
};

void PrintTo(const TypeError& error, std::ostream* out) {
    *out << error.id << " \"" << error.what << "\"";
}

// The library's type error that action raised, if any.
template <class Action>
std::optional<TypeError> TypeErrorOf(Action&& action) {
    try {
        action();
    } catch (const json::type_error& error) {
        return TypeError{error.id, error.what()};
    }
    return std::nullopt;
}

TEST_F(ConfigTest, MessageIsTheTextOfItsKeyOrItsFallback) {
    const Corvane::Messages messages =
        Read(R"({"Messages": {"Sender": "Server", "LogMsg": "{0} ran {1}", "sender": "no"}})").messages;
    const struct {
        const char* key;
        const Corvane::LookedUp<WideString>& message;
        const WideChar* text;
    } cases[] = {
        {"Sender", messages.sender, WIDE("Server")},
        {"LogMsg", messages.logMsg, WIDE("{0} ran {1}")},
        {"NoPermissions", messages.noPermissions, WIDE("No message")},
        {"Cooldown", messages.cooldown, WIDE("You can use {1} again in {2}.")},
        {"Denied", messages.denied, WIDE("No message")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Text(Corvane::MessageText(c.message)), c.text);
    }
}

TEST_F(ConfigTest, DeniedFallsBackToNoPermissionsWhateverThatHolds) {
    const struct {
        const char* document;
        std::optional<WideString> text;  // none: NoPermissions's error
    } cases[] = {
        {R"({"Messages": {"NoPermissions": "No.", "Denied": "Never."}})", WIDE("Never.")},
        {R"({"Messages": {"NoPermissions": "No."}})", WIDE("No.")},
        {R"({"Messages": {"NoPermissions": 5}})", std::nullopt},
        {R"({"Messages": []})", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        const Corvane::Messages messages = Read(c.document).messages;
        if (c.text) {
            EXPECT_EQ(Text(Corvane::MessageText(messages.denied)), *c.text);
        } else {
            EXPECT_THROW(Corvane::MessageText(messages.denied), json::type_error);
        }
    }
}

TEST_F(ConfigTest, MessageIsBuiltLikeFromWide) {
    const Corvane::Settings settings = Read(R"({"Messages": {}})");
    std::optional<FString> text;
    EXPECT_THAT(Trace([&] { text = Corvane::MessageText(settings.messages.sender); }),
                ElementsAre(ReallocCall(nullptr, 2 * 31)));
    EXPECT_EQ(text->Chars().Count, 11);
    EXPECT_EQ(text->Chars().Capacity, 31);
}

TEST_F(ConfigTest, NonAsciiMessageArrivesAsItsUtf16Characters) {
    // The same text as raw UTF-8 and as JSON escapes (a surrogate pair included).
    const char* documents[] = {
        "{\"Messages\": {\"Sender\": \"\xC3\x9Cn\xC3\xAF \xE2\x80\x94 \xE2\x9C\x93 \xF0\x9F\x98\x80\"}}",
        R"({"Messages": {"Sender": "\u00dcn\u00ef \u2014 \u2713 \ud83d\ude00"}})",
    };
    for (const char* document : documents) {
        SCOPED_TRACE(document);
        const FString text = Corvane::MessageText(Read(document).messages.sender);
        EXPECT_EQ(Text(text), WIDE("\u00DCn\u00EF \u2014 \u2713 \U0001F600"));
        EXPECT_EQ(text.Chars().Count, 11);
    }
}

TEST_F(ConfigTest, EmptyMessageHasNoBuffer) {
    const Corvane::Settings settings = Read(R"({"Messages": {"Sender": ""}})");
    std::optional<FString> text;
    EXPECT_THAT(Trace([&] { text = Corvane::MessageText(settings.messages.sender); }), IsEmpty());
    EXPECT_EQ(text->Chars().Data, nullptr);
    EXPECT_EQ(text->Chars().Count, 0);
    EXPECT_EQ(text->Chars().Capacity, 0);
}

TEST_F(ConfigTest, MessageEndsAtAnEscapedNul) {
    const FString text =
        Corvane::MessageText(Read(R"({"Messages": {"Sender": "Ser\u0000ver"}})").messages.sender);
    EXPECT_EQ(Text(text), WIDE("Ser"));
    EXPECT_EQ(text.Chars().Count, 4);
}

struct ShapeCase {
    const char* document;
    TypeError error;
};

TEST_F(ConfigTest, MessageLookupRaisesTheLibrarysTypeErrors) {
    const ShapeCase cases[] = {
        {"null", {306, "[json.exception.type_error.306] cannot use value() with null"}},
        {"{}", {306, "[json.exception.type_error.306] cannot use value() with null"}},
        {R"({"Messages": null})", {306, "[json.exception.type_error.306] cannot use value() with null"}},
        {R"({"Messages": []})", {306, "[json.exception.type_error.306] cannot use value() with array"}},
        {R"({"Messages": ["Server"]})",
         {306, "[json.exception.type_error.306] cannot use value() with array"}},
        {R"({"Messages": "Server"})",
         {306, "[json.exception.type_error.306] cannot use value() with string"}},
        {R"({"Messages": {"Sender": 5}})",
         {302, "[json.exception.type_error.302] type must be string, but is number"}},
        {R"({"Messages": {"Sender": null}})",
         {302, "[json.exception.type_error.302] type must be string, but is null"}},
        {R"({"Messages": {"Sender": true}})",
         {302, "[json.exception.type_error.302] type must be string, but is boolean"}},
        {R"({"Messages": {"Sender": {"a": "b"}}})",
         {302, "[json.exception.type_error.302] type must be string, but is object"}},
        {"[]",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with array"}},
        {"5",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with number"}},
        {R"("Server")",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with string"}},
        {"true",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with boolean"}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.document);
        const Corvane::Settings settings = Read(c.document);
        for (int use = 0; use < 2; ++use) {  // the same error at every use
            std::optional<TypeError> error;
            EXPECT_THAT(
                Trace([&] { error = TypeErrorOf([&] { Corvane::MessageText(settings.messages.sender); }); }),
                IsEmpty());
            EXPECT_EQ(error, c.error);
        }
    }
}

TEST_F(ConfigTest, PrintToChatIsTheBooleanOrTheLibrarysTypeError) {
    EXPECT_TRUE(Read(R"({"PrintToChat": true})").printToChat.Get());
    EXPECT_FALSE(Read(R"({"PrintToChat": false})").printToChat.Get());

    const ShapeCase cases[] = {
        {"null", {302, "[json.exception.type_error.302] type must be boolean, but is null"}},
        {R"({"Messages": {}})", {302, "[json.exception.type_error.302] type must be boolean, but is null"}},
        {R"({"PrintToChat": "true"})",
         {302, "[json.exception.type_error.302] type must be boolean, but is string"}},
        {R"({"PrintToChat": 1})",
         {302, "[json.exception.type_error.302] type must be boolean, but is number"}},
        {"[true]",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with array"}},
        {"false",
         {305, "[json.exception.type_error.305] cannot use operator[] with a string argument with boolean"}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.document);
        const Corvane::Settings settings = Read(c.document);
        EXPECT_EQ(TypeErrorOf([&] { settings.printToChat.Get(); }), c.error);
    }
}

TEST_F(ConfigTest, TheServersFileIsReadFromItsFirstValueOn) {
    WriteConfig(
        "\xEF\xBB\xBF{\"PrintToChat\": true, \"Messages\": {\"Sender\": \"S\xC3\xA9rver\"}} not JSON {");
    Corvane::SettingsReading reading = Corvane::ReadConfiguration();
    EXPECT_TRUE(reading.settings.printToChat.Get());
    EXPECT_EQ(Text(Corvane::MessageText(reading.settings.messages.sender)), WIDE("S\u00E9rver"));

    WriteConfig(R"({"PrintToChat": false})");
    EXPECT_FALSE(Corvane::ReadConfiguration().settings.printToChat.Get());
}

}  // namespace
