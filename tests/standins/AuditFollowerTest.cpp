// The dev host's follower of the audit file, as a log shipper follows one:
// each whole line once, through rotations, replacements and truncations,
// telling files apart by identity rather than by size.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "core/settings/AuditPath.h"
#include "devhost/server/AuditFollower.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AuditFollowerTest : public ::testing::Test {
protected:
    AuditFollowerTest() { fs::create_directories(folder_); }
    ~AuditFollowerTest() override { fs::remove_all(folder_); }

    void Append(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary | std::ios::app) << text;
    }

    const fs::path folder_ =
        fs::temp_directory_path() /
        ("corvane-follower-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    const fs::path file_ = folder_ / "audit.jsonl";
    DevHost::AuditFollower follower_;
};

TEST_F(AuditFollowerTest, TakesEachWholeLineOnceFromWhereItStarted) {
    Append(file_, "before\n");
    follower_.Follow(file_);
    Append(file_, "one\ntw");
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("one"));
    Append(file_, "o\n");
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("two"));
    EXPECT_THAT(follower_.TakeNewLines(), IsEmpty());
}

// A new file that has grown past the old one's offset by the next look is
// still a new file: none of its first lines are lost.
TEST_F(AuditFollowerTest, ANewFileGrownPastTheOldOffsetIsReadFromItsStart) {
    Append(file_, "old 1\n");
    follower_.Follow(file_);
    Append(file_, "old 2\n");
    fs::rename(file_, Corvane::RotatedAuditFile(file_, 1));
    Append(file_, "new 1\nnew 2\nnew 3\n");
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("old 2", "new 1", "new 2", "new 3"));
}

TEST_F(AuditFollowerTest, AFileReplacedByAnotherOfTheSameSizeIsReadFromItsStart) {
    Append(file_, "abc\n");
    follower_.Follow(file_);
    const fs::path other = folder_ / "other";
    Append(other, "xyz\n");
    fs::rename(other, file_);
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("xyz"));
}

TEST_F(AuditFollowerTest, ATruncatedFileIsReadFromItsStart) {
    Append(file_, "a long first line\n");
    follower_.Follow(file_);
    fs::resize_file(file_, 0);
    Append(file_, "short\n");
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("short"));
}

TEST_F(AuditFollowerTest, AFileMissingAtFirstIsReadFromItsStartOnceItAppears) {
    follower_.Follow(file_);
    EXPECT_THAT(follower_.TakeNewLines(), IsEmpty());
    Append(file_, "first\n");
    EXPECT_THAT(follower_.TakeNewLines(), ElementsAre("first"));
}

}  // namespace
