// Reaching players: colours, the chat record the engine receives, and the
// two messaging operations against the stand-in engine.
#include <gmock/gmock.h>

#include <bit>
#include <cstring>

#include "devhost/engine/Allocator.h"
#include "engine/Colour.h"
#include "engine/FChatEntry.h"
#include "engine/Messaging.h"
#include "engine/Resolve.h"
#include "host/EngineFunctions.h"
#include "host/Velkor.h"
#include "tests/support/ServerFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(ToLinear, AnnouncementColourIsOpaqueYellow) {
    const FLinearRGBA yellow = ToLinear(kAnnouncementColour);
    EXPECT_EQ(yellow.R, 1.0f);
    EXPECT_EQ(yellow.G, 1.0f);
    EXPECT_EQ(yellow.B, 0.0f);
    EXPECT_EQ(yellow.A, 1.0f);
    const unsigned char bytes[] = {0x00, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(&kAnnouncementColour, bytes, 4), 0) << "stored as B, G, R, A";
}

TEST(ToLinear, ChannelsFollowTheSrgbCurveAndAlphaIsLinear) {
    struct Case {
        std::uint8_t value;
        float colour;  // sRGB decoded, rounded to float
        float alpha;   // value times the float nearest 1/255
    } cases[] = {
        {0, 0.0f, 0.0f},
        {10, static_cast<float>(10 / 255.0 / 12.92), 10 * std::bit_cast<float>(0x3B808081u)},
        {11, static_cast<float>(std::pow((11 / 255.0 + 0.055) / 1.055, 2.4)),
         11 * std::bit_cast<float>(0x3B808081u)},
        {128, 0.2158605f, 0.5019608f},
        {255, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.value});
        const FLinearRGBA linear = ToLinear(FColor8{.B = c.value, .G = c.value, .R = c.value, .A = c.value});
        EXPECT_EQ(linear.R, c.colour);
        EXPECT_EQ(linear.G, c.colour);
        EXPECT_EQ(linear.B, c.colour);
        EXPECT_EQ(linear.A, c.alpha);
    }
}

class Messaging : public ServerFixture {
protected:
    const IApiUtils& api_ = Velkor::GetApiUtils();
};

TEST_F(Messaging, BroadcastReachesEveryoneWithTheSameTextAndColour) {
    Join("Rex", 1);
    Join("Ann", 2);
    Join("Bob", 3);
    const FLinearRGBA colour{0.25f, 0.5f, 0.75f, 1.0f};
    BroadcastToAll(api_, colour, WIDE("Server {{restart}} soon"));
    const auto messages = Events().Of<DevHost::Broadcast>();
    ASSERT_EQ(messages.size(), 3u);
    const char* order[] = {"Rex", "Ann", "Bob"};
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].player, order[i]);
        EXPECT_EQ(U(messages[i].text), "Server {restart} soon");
        EXPECT_EQ(messages[i].colour.B, 0.75f);
        EXPECT_FALSE(messages[i].flag);
    }
}

TEST_F(Messaging, BroadcastToAnEmptyWorldSendsNothing) {
    DevEngine::TheAllocator().StartRecording();
    BroadcastToAll(api_, ToLinear(kAnnouncementColour), WIDE("hello"));
    const auto calls = DevEngine::TheAllocator().StopRecording();
    EXPECT_THAT(Events().Of<DevHost::Broadcast>(), IsEmpty());
    ASSERT_EQ(calls.size(), 2u) << "the text is still built and freed";
    EXPECT_EQ(calls[1].kind, DevEngine::AllocatorCall::Kind::Free);
}

TEST_F(Messaging, InvalidFormatTextsFailBeforeTheWorldIsAsked) {
    Join("Rex", 1);
    for (const WideChar* text : {WIDE("a } b"), WIDE("{}"), WIDE("{0}"), WIDE("tail {")}) {
        EXPECT_THROW(BroadcastToAll(api_, ToLinear(kAnnouncementColour), text), fmt::format_error);
        EXPECT_THROW(ChatToPlayer(api_, Server().Player("Rex"), FString::FromWide(WIDE("S")), text),
                     fmt::format_error);
    }
    EXPECT_EQ(DevHost::ResolutionCount("UWorld.PlayerControllerList"), 0u);
    EXPECT_THAT(Events().Of<DevHost::Broadcast>(), IsEmpty());
    EXPECT_THAT(Events().Of<DevHost::PrivateMessage>(), IsEmpty());
}

TEST_F(Messaging, ChatRecordHoldsSenderAndTextAndNothingElse) {
    AShooterPlayerController* rex = Join("Rex", 1);
    ChatToPlayer(api_, rex, FString::FromWide(WIDE("Server")), WIDE("No {{fly}} for you"));
    const auto messages = Events().Of<DevHost::PrivateMessage>();
    ASSERT_EQ(messages.size(), 1u);
    const DevHost::PrivateMessage& chat = messages[0];
    EXPECT_EQ(chat.player, "Rex");
    EXPECT_EQ(U(chat.fromName.text), "Server");
    EXPECT_EQ(U(chat.text.text), "No {fly} for you");
    for (const auto* field : {&chat.auxText1, &chat.auxText2, &chat.auxText3, &chat.auxText4}) {
        EXPECT_FALSE(field->hasBuffer);
    }
    EXPECT_EQ(chat.auxWord1, 0);
    EXPECT_EQ(chat.auxWord2, 0);
    EXPECT_EQ(chat.auxWord3, 0);
    EXPECT_EQ(chat.auxByte1, 0);
    EXPECT_EQ(chat.auxByte2, 0);
    EXPECT_EQ(chat.auxReal, -1.0);
    EXPECT_EQ(chat.auxObject, nullptr);
}

TEST_F(Messaging, EmptySenderOrTextArrivesWithoutABuffer) {
    AShooterPlayerController* rex = Join("Rex", 1);
    ChatToPlayer(api_, rex, FString(), WIDE(""));
    const auto messages = Events().Of<DevHost::PrivateMessage>();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].fromName.hasBuffer);
    EXPECT_FALSE(messages[0].text.hasBuffer);
}

TEST_F(Messaging, PrivateMessageFreesEveryBlockItMadeExactlyOnce) {
    AShooterPlayerController* rex = Join("Rex", 1);
    const FString sender = FString::FromWide(WIDE("Server"));
    const auto before = DevEngine::TheAllocator().LiveBlocks();
    DevEngine::TheAllocator().StartRecording();
    ChatToPlayer(api_, rex, sender, WIDE("No."));
    const auto calls = DevEngine::TheAllocator().StopRecording();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), before);
    // The text, the record's two strings and the by-value copy's two strings.
    std::size_t allocations = 0;
    std::size_t frees = 0;
    for (const auto& call : calls) {
        allocations += call.kind == DevEngine::AllocatorCall::Kind::Realloc && call.block == nullptr;
        frees += call.kind == DevEngine::AllocatorCall::Kind::Free;
    }
    EXPECT_EQ(allocations, 5u);
    EXPECT_EQ(frees, 5u);
}

FChatEntry EntryWithSixTexts() {
    FChatEntry entry;
    entry.FromName = FString::FromWide(WIDE("from"));
    entry.AuxText1 = FString::FromWide(WIDE("one"));
    entry.AuxText2 = FString::FromWide(WIDE("two"));
    entry.Text = FString::FromWide(WIDE("text"));
    entry.AuxText3 = FString::FromWide(WIDE("three"));
    entry.AuxText4 = FString::FromWide(WIDE("four"));
    entry.AuxWord3 = 7;
    entry.AuxObject = reinterpret_cast<UObject*>(&entry);
    return entry;
}

TEST_F(Messaging, ChatRecordFreesItsStringsInReverseLayoutOrder) {
    std::vector<const void*> expected;
    DevEngine::TheAllocator().StartRecording();
    {
        FChatEntry entry = EntryWithSixTexts();
        for (const FString* text : {&entry.AuxText4, &entry.AuxText3, &entry.Text, &entry.AuxText2,
                                    &entry.AuxText1, &entry.FromName}) {
            expected.push_back(text->Chars().Data);
        }
        DevEngine::TheAllocator().StopRecording();
        DevEngine::TheAllocator().StartRecording();
    }
    std::vector<const void*> freed;
    for (const auto& call : DevEngine::TheAllocator().StopRecording()) {
        freed.push_back(call.block);
    }
    EXPECT_EQ(freed, expected);
}

TEST_F(Messaging, ChatRecordCopiesAreDeepAndExact) {
    const FChatEntry entry = EntryWithSixTexts();
    const FChatEntry copy = entry;  // NOLINT(performance-unnecessary-copy-initialization)
    for (const auto& [original, copied] :
         {std::pair{&entry.FromName, &copy.FromName}, std::pair{&entry.Text, &copy.Text},
          std::pair{&entry.AuxText4, &copy.AuxText4}}) {
        EXPECT_NE(copied->Chars().Data, original->Chars().Data);
        EXPECT_EQ(copied->Chars().Capacity, original->Chars().Count) << "no slack";
        EXPECT_EQ(U(copied->View()), U(original->View()));
    }
    EXPECT_EQ(copy.AuxWord3, 7);
    EXPECT_EQ(copy.AuxObject, entry.AuxObject);
    EXPECT_EQ(copy.AuxReal, -1.0);
}

TEST(Resolve, UnknownNamesThrowInsteadOfCallingNull) {
    try {
        Corvane::Engine::ResolveFunction<EngineFunctions::Free>("FMemory.Release");
        FAIL() << "expected std::runtime_error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Engine function not found: FMemory.Release");
    }
    EXPECT_THROW(Corvane::Engine::ResolveField<int>(nullptr, "UWorld.PlayerControllerList"),
                 std::runtime_error);
}

}  // namespace
