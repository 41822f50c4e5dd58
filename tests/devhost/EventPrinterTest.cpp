// The dev host's printer: announcements in their colour on a terminal, and
// never a colour code in the server directory's logs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "devhost/console/EventPrinter.h"

namespace {

std::string Printed(bool colour, const DevHost::ServerDirectory& directory) {
    std::ostringstream console;
    DevHost::EventPrinter printer(console, directory, colour);
    printer.Print(DevHost::Broadcast{"alice", WIDE("alice ran fly"), FLinearRGBA{1, 1, 0, 1}, false});
    printer.Print(DevHost::GameplayLogEntry{WIDE("alice ran fly")});
    return console.str();
}

TEST(EventPrinter, AnnouncementsShowInTheirColourOnlyWhenAsked) {
    const auto directory = DevHost::ServerDirectory::Temporary("corvane-printer-");
    EXPECT_EQ(Printed(true, directory),
              "\x1b[38;2;255;255;0mbroadcast -> alice [1 1 0 1]: alice ran fly\x1b[0m\n"
              "gameplay-log: alice ran fly\n");
    EXPECT_EQ(Printed(false, directory),
              "broadcast -> alice [1 1 0 1]: alice ran fly\ngameplay-log: alice ran fly\n");
    std::ifstream serverLog(directory.ServerLogFile());
    const std::string logged{std::istreambuf_iterator<char>(serverLog), std::istreambuf_iterator<char>()};
    EXPECT_EQ(logged.find('\x1b'), std::string::npos);
}

}  // namespace
