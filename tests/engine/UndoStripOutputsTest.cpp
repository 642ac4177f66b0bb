#include "engine/StripRun.h"

#include "io/TempDir.h"

#include <gtest/gtest.h>

namespace tamsenor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Writes `content` to `name` as a strip run does, keeping a replaced file aside.
io::Replacement WriteOutput(const TempDir& dir, const std::string& name, const std::string& content)
{
    io::Replacement done;
    EXPECT_TRUE(io::WriteWholeFile(dir.file(name), content, &done, true).ok);
    return done;
}

TEST(UndoStripOutputs, RemovesNewOutputsAndPutsBackWhatTheyReplaced)
{
    TempDir dir;
    WriteBytes(dir.file("earlier.txt"), "the user's own text");
    WriteBytes(dir.file("untouched.txt"), "keep");
    std::vector<io::Replacement> outputs;
    for (int i = 0; i < 130; ++i)
        outputs.push_back(WriteOutput(dir, "out" + std::to_string(i) + ".txt", "x"));
    outputs.push_back(WriteOutput(dir, "earlier.txt", "stripped"));
    ASSERT_EQ("stripped", ReadBytes(dir.file("earlier.txt")));

    int yields = 0;
    EXPECT_TRUE(UndoStripOutputs(outputs, [&yields] { ++yields; }).empty());

    EXPECT_EQ((std::vector<std::string> { "earlier.txt", "untouched.txt" }), dir.entries());
    EXPECT_EQ("the user's own text", ReadBytes(dir.file("earlier.txt")));
    EXPECT_EQ(131 / 64, yields);
}

TEST(UndoStripOutputs, LeavesAnOutputAnotherProgramChanged)
{
    struct Row {
        const char* name;
        bool replacedEarlier;
    };
    for (const Row row : { Row { "new output", false }, Row { "output over an earlier file", true } }) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        if (row.replacedEarlier)
            WriteBytes(dir.file("a.txt"), "earlier");
        const io::Replacement output = WriteOutput(dir, "a.txt", "ours");
        WriteBytes(dir.file("other.tmp"), "another program's");
        ASSERT_EQ(0, std::rename(dir.file("other.tmp").c_str(), dir.file("a.txt").c_str()));

        const std::vector<UndoProblem> problems = UndoStripOutputs({ output });

        ASSERT_EQ(1u, problems.size());
        EXPECT_EQ("another program's", ReadBytes(dir.file("a.txt")));
        EXPECT_EQ(row.replacedEarlier, !problems[0].keptAside.isEmpty());
        if (row.replacedEarlier) {
            EXPECT_EQ("earlier", ReadBytes(problems[0].keptAside.toStdString()));
        }
    }
}

TEST(FinishStripOutputs, LetsGoOfTheKeptFilesOnly)
{
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "earlier");
    const std::vector<io::Replacement> outputs { WriteOutput(dir, "a.txt", "new"), WriteOutput(dir, "b.txt", "new") };
    ASSERT_EQ(3u, dir.entries().size()); // the earlier a.txt waits under a hidden name

    FinishStripOutputs(outputs);

    EXPECT_EQ((std::vector<std::string> { "a.txt", "b.txt" }), dir.entries());
    EXPECT_EQ("new", ReadBytes(dir.file("a.txt")));
}

} // namespace
} // namespace tamsenor
