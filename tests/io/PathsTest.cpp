#include "io/Paths.h"

#include "io/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor::io {
namespace {

using testing::TempDir;

// ".." after a link is the parent of the link's target, as the kernel takes it.
TEST(AbsolutePathTest, DotDotIsTakenAsTheKernelTakesIt)
{
    TempDir dir;
    char* real = ::realpath(dir.path().c_str(), nullptr);
    ASSERT_NE(nullptr, real);
    const std::string root = real;
    std::free(real);
    ASSERT_EQ(0, ::mkdir((root + "/x").c_str(), 0777));
    ASSERT_EQ(0, ::mkdir((root + "/x/y").c_str(), 0777));
    ASSERT_EQ(0, ::symlink((root + "/x/y").c_str(), (root + "/L").c_str()));
    struct Row {
        const char* name;
        std::string path;
        std::string absolute;
    };
    const Row rows[] = {
        { "a plain path is tidied", root + "/./x//y/", root + "/x/y" },
        { "dot-dot after a link", root + "/L/../p.html", root + "/x/p.html" },
        { "dot-dot after a folder", root + "/x/y/../q", root + "/x/q" },
        { "a name that starts with dots is a name", root + "/..x/p", root + "/..x/p" },
        { "a path that does not exist keeps its dot-dot", root + "/none/../p", root + "/none/../p" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.absolute, AbsolutePath(row.path).value_or("?"));
    }
}

} // namespace
} // namespace tamsenor::io
