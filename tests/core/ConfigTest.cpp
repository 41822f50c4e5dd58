// The configuration document: reading it at load, and the two lookups the
// chat handler makes, on every shape of document an operator can write.
#include <gmock/gmock.h>

#include <optional>
#include <string>

#include "core/Config.h"
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
        Corvane::Config::Document() = nullptr;
    }

    void TearDown() override {
        Corvane::Config::Document() = nullptr;
        server_.reset();
        EngineValueTest::TearDown();
    }

    void WriteConfig(const std::string& text) { server_->WriteConfig(text); }

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

TEST_F(ConfigTest, MessageIsTheTextOfItsKeyOrNoMessage) {
    Corvane::Config::Document() =
        json::parse(R"({"Messages": {"Sender": "Server", "LogMsg": "{0} ran {1}"}})");
    const struct {
        const char* key;
        const WideChar* text;
    } cases[] = {
        {"Sender", WIDE("Server")},
        {"LogMsg", WIDE("{0} ran {1}")},
        {"NoPermissions", WIDE("No message")},
        {"sender", WIDE("No message")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Text(Corvane::Config::GetMessageText(c.key)), c.text);
    }
}

TEST_F(ConfigTest, MessageIsBuiltLikeFromWide) {
    Corvane::Config::Document() = json::parse(R"({"Messages": {}})");
    std::optional<FString> text;
    EXPECT_THAT(Trace([&] { text = Corvane::Config::GetMessageText("Sender"); }),
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
        Corvane::Config::Document() = json::parse(document);
        const FString text = Corvane::Config::GetMessageText("Sender");
        EXPECT_EQ(Text(text), WIDE("\u00DCn\u00EF \u2014 \u2713 \U0001F600"));
        EXPECT_EQ(text.Chars().Count, 11);
    }
}

TEST_F(ConfigTest, EmptyMessageHasNoBuffer) {
    Corvane::Config::Document() = json::parse(R"({"Messages": {"Sender": ""}})");
    std::optional<FString> text;
    EXPECT_THAT(Trace([&] { text = Corvane::Config::GetMessageText("Sender"); }), IsEmpty());
    EXPECT_EQ(text->Chars().Data, nullptr);
    EXPECT_EQ(text->Chars().Count, 0);
    EXPECT_EQ(text->Chars().Capacity, 0);
}

TEST_F(ConfigTest, MessageEndsAtAnEscapedNul) {
    Corvane::Config::Document() = json::parse(R"({"Messages": {"Sender": "Ser\u0000ver"}})");
    const FString text = Corvane::Config::GetMessageText("Sender");
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
        Corvane::Config::Document() = json::parse(c.document);
        std::optional<TypeError> error;
        EXPECT_THAT(Trace([&] { error = TypeErrorOf([] { Corvane::Config::GetMessageText("Sender"); }); }),
                    IsEmpty());
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(ConfigTest, PrintToChatIsTheBooleanOrTheLibrarysTypeError) {
    Corvane::Config::Document() = json::parse(R"({"PrintToChat": true})");
    EXPECT_TRUE(Corvane::Config::PrintToChat());
    Corvane::Config::Document() = json::parse(R"({"PrintToChat": false})");
    EXPECT_FALSE(Corvane::Config::PrintToChat());

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
        Corvane::Config::Document() = json::parse(c.document);
        EXPECT_EQ(TypeErrorOf([] { Corvane::Config::PrintToChat(); }), c.error);
    }
}

TEST_F(ConfigTest, LookupsAddMissingMembersAsNull) {
    EXPECT_NE(TypeErrorOf([] { Corvane::Config::GetMessageText("Sender"); }), std::nullopt);
    EXPECT_EQ(Corvane::Config::Document(), json::parse(R"({"Messages": null})"));

    EXPECT_NE(TypeErrorOf([] { Corvane::Config::PrintToChat(); }), std::nullopt);
    EXPECT_EQ(Corvane::Config::Document(), json::parse(R"({"Messages": null, "PrintToChat": null})"));
}

TEST_F(ConfigTest, AMissingKeyIsNotAdded) {
    Corvane::Config::Document() = json::parse(R"({"Messages": {"Sender": "Server"}, "PrintToChat": true})");
    const json before = Corvane::Config::Document();
    EXPECT_EQ(Text(Corvane::Config::GetMessageText("NoPermissions")), WIDE("No message"));
    EXPECT_TRUE(Corvane::Config::PrintToChat());
    EXPECT_EQ(Corvane::Config::Document(), before);
}

TEST_F(ConfigTest, ReadAtLoadFillsTheDocumentTheLookupsUse) {
    WriteConfig(
        "\xEF\xBB\xBF{\"PrintToChat\": true, \"Messages\": {\"Sender\": \"S\xC3\xA9rver\"}} not JSON {");
    Corvane::Config::ReadAtLoad();
    EXPECT_TRUE(Corvane::Config::PrintToChat());
    EXPECT_EQ(Text(Corvane::Config::GetMessageText("Sender")), WIDE("S\u00E9rver"));

    WriteConfig(R"({"PrintToChat": false})");
    Corvane::Config::ReadAtLoad();
    EXPECT_FALSE(Corvane::Config::PrintToChat());
    EXPECT_EQ(Corvane::Config::Document(), json::parse(R"({"PrintToChat": false})"));
}

}  // namespace
