// The gate's decision on its own: settings, a history of granted uses and the
// permissions plugin's answers in, the decision out; no engine, no server.
#include <gmock/gmock.h>

#include <map>
#include <stdexcept>

#include "core/gate/Decision.h"
#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace {

using Corvane::Announce;
using Corvane::Decision;
using Corvane::Outcome;
using Corvane::Reply;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = Corvane::UseHistory::Clock;
using std::chrono::seconds;

constexpr std::uint64_t kPlayer = 7;

// "permission=held" for each question, to compare with ElementsAre.
std::vector<std::string> Asked(const Decision& decision) {
    std::vector<std::string> asked;
    for (const auto& answer : decision.asked) {
        asked.push_back(std::string(answer.permission.begin(), answer.permission.end()) +
                        (answer.held ? "=held" : "=not held"));
    }
    return asked;
}

Corvane::CommandSettings Entry(Clock::duration cooldown, std::optional<Announce> announce = std::nullopt) {
    Corvane::CommandSettings entry;
    entry.cooldown = cooldown;
    entry.announce = announce;
    return entry;
}

class DecisionTest : public ::testing::Test {
protected:
    DecisionTest() {
        settings_.deny = {"quit"};
        settings_.commands["fly"] = Entry(seconds(60), Announce::Admins);
        settings_.others = Entry(seconds(5));
    }

    Decision Decide(const WideString& command, bool hasPrefix = true) {
        // The permission word is the first word after the prefix, as SplitOnBlank gives it.
        const WideStringView word = Corvane::FirstWord(command);
        const Corvane::GateLine line{command, word, hasPrefix, kPlayer, now_};
        const Corvane::AskPermission ask = [this](WideStringView permission) {
            const auto held = held_.find(WideString(permission));
            return held != held_.end() && held->second;
        };
        return Corvane::Decide({line, settings_, history_, ask});
    }

    // A use of name by the player, now.
    void Used(const char* name, std::uint64_t player = kPlayer) { history_.Add(player, name, now_); }

    void Hold(const WideString& permission) { held_[permission] = true; }

    Corvane::Settings settings_;
    Corvane::UseHistory history_{{std::chrono::hours(1), 10}};
    Clock::time_point now_{};
    std::map<WideString, bool> held_;
};

TEST_F(DecisionTest, EachStepTurnsALineAwayBeforeTheNextIsAsked) {
    Hold(WIDE("Cheat.fly"));
    Hold(WIDE("Cheat.quit"));
    Hold(WIDE("Cheat.Fly"));
    const struct Case {
        const WideChar* command;
        Outcome outcome;
        Reply reply;
        std::vector<std::string> asked;
        const char* reason;
    } cases[] = {
        {WIDE("fly|god"), Outcome::Rejected, Reply::Refusal, {}, "it could run more than one command"},
        {WIDE("fly\tx"), Outcome::Rejected, Reply::Refusal, {}, "it holds an unprintable character"},
        // Turned away before the permission: the same reply as a missing permission.
        {WIDE(" QUIT now"), Outcome::Denied, Reply::Refusal, {}, "quit is on the deny list"},
        {WIDE("quit;"), Outcome::Denied, Reply::Refusal, {}, "quit is on the deny list"},
        {WIDE("walk"), Outcome::Refused, Reply::Refusal, {"Cheat.walk=not held"}, "Cheat.walk is not held"},
        {WIDE("Fly 10"), Outcome::Granted, Reply::None, {"Cheat.Fly=held"}, "Cheat.Fly is held"},
        {WIDE("quitter"),
         Outcome::Refused,
         Reply::Refusal,
         {"Cheat.quitter=not held"},
         "Cheat.quitter is not held"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command, c.command + WideStringView(c.command).size()));
        const Decision decision = Decide(c.command);
        EXPECT_EQ(decision.outcome, c.outcome);
        EXPECT_EQ(decision.reply, c.reply);
        EXPECT_EQ(Asked(decision), c.asked);
        EXPECT_EQ(decision.reason, c.reason);
    }
}

TEST_F(DecisionTest, ALineRoutedWithoutThePrefixRunsNothingOnceItsPermissionIsHeld) {
    Hold(WIDE("Cheat.fly"));
    EXPECT_EQ(Decide(WIDE("fly"), false).outcome, Outcome::NoPrefix);
    EXPECT_EQ(Decide(WIDE("walk"), false).outcome, Outcome::Refused);
}

TEST_F(DecisionTest, TheEntryOrStarDecidesTheAnnouncementAndAnUnreadableNameTakesNoEntry) {
    for (const WideChar* permission : {WIDE("Cheat.fly"), WIDE("Cheat.walk"), WIDE("Cheat.;x")}) {
        Hold(permission);
    }
    const Decision fly = Decide(WIDE("fly"));
    EXPECT_EQ(fly.name, "fly");
    EXPECT_EQ(fly.announce, Announce::Admins);
    const Decision walk = Decide(WIDE("walk"));
    EXPECT_EQ(walk.settings, &*settings_.others);
    EXPECT_EQ(walk.announce, std::nullopt) << "PrintToChat decides";
    const Decision unreadable = Decide(WIDE(";x"));
    EXPECT_EQ(unreadable.name, "");
    EXPECT_EQ(unreadable.settings, nullptr);
}

TEST_F(DecisionTest, ARunningCooldownHoldsBackUnlessNoCooldownIsHeld) {
    Hold(WIDE("Cheat.fly"));
    Hold(WIDE("Cheat.FLY"));
    Used("fly");
    Used("walk", kPlayer + 1);
    now_ += seconds(20);
    const Decision held = Decide(WIDE("FLY now"));  // the same name, as the console reads it
    EXPECT_EQ(held.outcome, Outcome::Cooldown);
    EXPECT_EQ(held.reply, Reply::Cooldown);
    EXPECT_EQ(held.left, seconds(40));
    EXPECT_EQ(held.reason, "40 s of the cooldown on fly are left");
    EXPECT_THAT(Asked(held), ElementsAre("Cheat.FLY=held", "Corvane.NoCooldown=not held"));

    Hold(WIDE("Corvane.NoCooldown"));
    EXPECT_EQ(Decide(WIDE("fly")).outcome, Outcome::Granted);

    now_ += seconds(40);
    held_.erase(WIDE("Corvane.NoCooldown"));
    const Decision over = Decide(WIDE("fly"));
    EXPECT_EQ(over.outcome, Outcome::Granted);
    EXPECT_THAT(Asked(over), ElementsAre("Cheat.fly=held")) << "nothing to bypass once it ran out";
}

// Each control that remembers is settled on its own, asking only when the
// entry's value would hold the player back: its bypass, then the tiers that
// set it, in order, only those whose value would let the use through.
TEST_F(DecisionTest, TheControlsThatRememberAskTheirBypassThenTheTiersThatWouldLetTheUseThrough) {
    Corvane::CommandSettings& giveitem = settings_.commands["giveitem"] = Entry(seconds(600));
    giveitem.maxUses = Corvane::UseLimit{3, seconds(3600), "/Commands/giveitem/MaxUses"};
    giveitem.tiers = {{"Group.Donor", seconds(60), Corvane::UseLimit{10, seconds(3600), ""}, ""},
                      {"Group.Vip", std::nullopt, Corvane::UseLimit{5, seconds(3600), ""}, ""}};
    const struct {
        const char* story;
        std::vector<int> usesAgo;
        std::vector<const WideChar*> held;
        Outcome outcome;
        std::vector<std::string> asked;
        int left;
    } cases[] = {
        {"no use yet", {}, {}, Outcome::Granted, {}, 0},
        {"the cooldown, no tier held",
         {100},
         {},
         Outcome::Cooldown,
         {"Corvane.NoCooldown=not held", "Group.Donor=not held"},
         500},
        {"the donors' shorter cooldown has run out",
         {100},
         {WIDE("Group.Donor")},
         Outcome::Granted,
         {"Corvane.NoCooldown=not held", "Group.Donor=held"},
         0},
        {"the donors' cooldown runs too: the tier is not asked",
         {30},
         {WIDE("Group.Donor")},
         Outcome::Cooldown,
         {"Corvane.NoCooldown=not held"},
         570},
        {"the limit, no tier held",
         {3000, 2000, 1000},
         {},
         Outcome::Limit,
         {"Corvane.NoLimit=not held", "Group.Donor=not held", "Group.Vip=not held"},
         600},
        {"a later tier lets it through",
         {3000, 2000, 1000},
         {WIDE("Group.Vip")},
         Outcome::Granted,
         {"Corvane.NoLimit=not held", "Group.Donor=not held", "Group.Vip=held"},
         0},
        {"a tier whose count is reached is not asked",
         {3500, 3000, 2500, 2000, 1500, 1000},
         {WIDE("Group.Vip")},
         Outcome::Limit,
         {"Corvane.NoLimit=not held", "Group.Donor=not held"},
         1600},
        {"the bypass",
         {3000, 2000, 1000},
         {WIDE("Corvane.NoLimit")},
         Outcome::Granted,
         {"Corvane.NoLimit=held"},
         0},
        {"both controls, one tier for both",
         {3000, 2000, 100},
         {WIDE("Group.Donor")},
         Outcome::Granted,
         {"Corvane.NoCooldown=not held", "Group.Donor=held", "Corvane.NoLimit=not held", "Group.Donor=held"},
         0},
        {"uses older than the window count for nothing", {4000, 3700, 3601}, {}, Outcome::Granted, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.story);
        held_ = {{WIDE("Cheat.giveitem"), true}};
        for (const WideChar* permission : c.held) {
            Hold(permission);
        }
        history_.Forgive(kPlayer, "");
        now_ = Clock::time_point(std::chrono::hours(5));
        for (const int ago : c.usesAgo) {
            history_.Add(kPlayer, "giveitem", now_ - seconds(ago));
        }
        const Decision decision = Decide(WIDE("giveitem 5"));
        EXPECT_EQ(decision.outcome, c.outcome) << decision.reason;
        std::vector<std::string> asked = Asked(decision);
        asked.erase(asked.begin());  // the command's own
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(decision.left, seconds(c.left));
        EXPECT_EQ(decision.rule, c.outcome == Outcome::Limit ? "/Commands/giveitem/MaxUses" : "");
        EXPECT_EQ(decision.reply, c.outcome == Outcome::Limit      ? Reply::Limit
                                  : c.outcome == Outcome::Cooldown ? Reply::Cooldown
                                                                   : Reply::None);
    }
}

TEST_F(DecisionTest, AWrappedCommandIsDecidedByTheNamesItRuns) {
    settings_.wrappers = {"wrap", "as"};
    settings_.commands["giveitem"] = Entry(seconds(300), Announce::None);
    Hold(WIDE("Cheat.wrap"));
    const struct Case {
        const WideChar* command;
        std::vector<std::string> chain;
        Outcome outcome;
        const char* reason;
    } cases[] = {
        {WIDE("wrap quit"), {"wrap", "quit"}, Outcome::Denied, "quit is on the deny list (run by wrap)"},
        {WIDE("WRAP  as  Quit;x"),
         {"wrap", "as", "quit"},
         Outcome::Denied,
         "quit is on the deny list (run by wrap)"},
        {WIDE("wrap \"quit now\""),
         {"wrap", "quit"},
         Outcome::Denied,
         "quit is on the deny list (run by wrap)"},
        {WIDE("wrap giveitem 5"), {"wrap", "giveitem"}, Outcome::Granted, "Cheat.wrap is held"},
        {WIDE("wrap"), {"wrap", ""}, Outcome::Granted, "Cheat.wrap is held"},
        {WIDE("wrapper quit"), {"wrapper"}, Outcome::Refused, "Cheat.wrapper is not held"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command, c.command + WideStringView(c.command).size()));
        const Decision decision = Decide(c.command);
        EXPECT_EQ(decision.chain, c.chain);
        EXPECT_EQ(decision.outcome, c.outcome);
        EXPECT_EQ(decision.reason, c.reason);
    }
    // The innermost command's settings, and its cooldown, shared with the command run alone.
    const Decision wrapped = Decide(WIDE("wrap giveitem 5"));
    EXPECT_EQ(wrapped.name, "giveitem");
    EXPECT_EQ(wrapped.announce, Announce::None);
    Used("giveitem");
    EXPECT_EQ(Decide(WIDE("wrap giveitem 5")).outcome, Outcome::Cooldown);
    EXPECT_THAT(Asked(Decide(WIDE("wrap giveitem 5"))),
                ElementsAre("Cheat.wrap=held", "Corvane.NoCooldown=not held"))
        << "the permission is still the first word's";
}

// What the readers could read otherwise than a console that honours more
// blanks or escapes: a wrapped name is denied before the permission is
// asked, an argument of a command with rules after it is held.
TEST_F(DecisionTest, ALineTheReadersCantBeSureOfIsDenied) {
    settings_.wrappers = {"wrap"};
    Corvane::ArgumentRules& rules = settings_.commands["giveitem"].rules;
    rules.pointer = "/Commands/giveitem";
    rules.maxArguments = 3;
    Corvane::ArgumentRule item;
    item.pointer = "/Commands/giveitem/Arguments/0";
    item.allow = {WIDE("1*")};
    Corvane::ArgumentRule quantity;
    quantity.pointer = "/Commands/giveitem/Arguments/1";
    quantity.min = 1;
    quantity.max = 100;
    rules.arguments = {item, quantity};
    for (const WideChar* permission : {WIDE("Cheat.wrap"), WIDE("Cheat.giveitem"), WIDE("Cheat.god")}) {
        Hold(permission);
    }
    const struct Case {
        const WideChar* command;
        Outcome outcome;
        Reply reply;
        const char* rule;
        const char* reading;
        std::size_t asked;
    } cases[] = {
        {WIDE("giveitem 12\u3000"
              "500 50"),
         Outcome::Denied, Reply::Denial, "/Commands/giveitem", "blank", 1},
        {WIDE("giveitem 12 5\u200B"
              "00"),
         Outcome::Denied, Reply::Denial, "/Commands/giveitem", "blank", 1},
        {WIDE("giveitem 12 \"9\"99"), Outcome::Denied, Reply::Denial, "/Commands/giveitem", "empty-quote", 1},
        {WIDE("giveitem 12 x\"y 5 z\""), Outcome::Denied, Reply::Denial, "/Commands/giveitem", "empty-quote",
         1},
        {WIDE("giveitem 12 \"\" 5"), Outcome::Denied, Reply::Denial, "/Commands/giveitem", "empty-quote", 1},
        {WIDE("giveitem 12 \"\\\"5\""), Outcome::Denied, Reply::Denial, "/Commands/giveitem", "escaped-quote",
         1},
        {WIDE("wrap \u3000quit"), Outcome::Denied, Reply::Refusal, "/Wrappers", "blank", 0},
        {WIDE("wrap \"\\\"quit\\\"\""), Outcome::Denied, Reply::Refusal, "/Wrappers", "escaped-quote", 0},
        {WIDE("wrap \"\"quit"), Outcome::Denied, Reply::Refusal, "/Wrappers", "empty-quote", 0},
        {WIDE("wrap \"\" quit"), Outcome::Denied, Reply::Refusal, "/Wrappers", "empty-quote", 0},
        {WIDE("wrap \"giveitem 12 5\" 7"), Outcome::Denied, Reply::Refusal, "/Wrappers", "after-quote", 0},
        {WIDE("wrap god\u2003x"), Outcome::Denied, Reply::Refusal, "/Wrappers", "blank", 0},
        // Read alike by every reader: a quote that opens and closes a word, a
        // blank outside the lines the readers must be sure of.
        {WIDE("wrap \"giveitem 12 5\""), Outcome::Granted, Reply::None, "", "", 1},
        {WIDE("giveitem \"12\" 5"), Outcome::Granted, Reply::None, "", "", 1},
        {WIDE("god x\u3000y \"\""), Outcome::Granted, Reply::None, "", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Corvane::Engine::ToUtf8(c.command));
        const Decision decision = Decide(c.command);
        EXPECT_EQ(decision.outcome, c.outcome) << decision.reason;
        EXPECT_EQ(decision.reply, c.reply);
        EXPECT_EQ(decision.rule, c.rule);
        EXPECT_EQ(decision.reading, c.reading);
        EXPECT_EQ(decision.asked.size(), c.asked) << "a wrapped line is decided before its permission";
    }
    EXPECT_EQ(Decide(WIDE("wrap \u3000quit")).reason,
              "the names it runs can't be read for sure: it holds U+3000, a blank other than U+0020");
}

TEST_F(DecisionTest, AFailingQuestionPassesOut) {
    const Corvane::AskPermission gone = [](WideStringView) -> bool { throw std::runtime_error("gone"); };
    const Corvane::GateLine fly{WIDE("fly"), WIDE("fly"), true, kPlayer, now_};
    EXPECT_THROW(Corvane::Decide({fly, settings_, history_, gone}), std::runtime_error);
    const Corvane::AskPermission asked = [](WideStringView) -> bool { throw std::logic_error("asked"); };
    const Corvane::GateLine chained{WIDE("fly|x"), WIDE("fly|x"), true, kPlayer, now_};
    EXPECT_THAT(Corvane::Decide({chained, settings_, history_, asked}).asked, IsEmpty());
}

}  // namespace
