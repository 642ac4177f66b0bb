#include "engine/StripRun.h"

#include "io/TempDir.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tamsenor {
namespace {

TEST(DeleteStripOutputs, DeletesEveryRecordedOutputAndYieldsAlongTheWay)
{
    testing::TempDir dir;
    QStringList outputs { QString() }; // the run's list starts with one empty entry
    for (int i = 0; i < 200; ++i) {
        const std::string path = dir.file("out" + std::to_string(i) + ".txt");
        std::ofstream(path) << "x";
        outputs << QString::fromStdString(path);
    }
    const std::string untouched = dir.file("before-the-run.txt");
    std::ofstream(untouched) << "keep";
    outputs << QString::fromStdString(dir.file("vanished.txt")); // already gone: passed over

    int yields = 0;
    DeleteStripOutputs(outputs, [&yields] { ++yields; });

    EXPECT_EQ(std::vector<std::string> { "before-the-run.txt" }, dir.entries());
    EXPECT_EQ(200 / 64, yields);
}

} // namespace
} // namespace tamsenor
