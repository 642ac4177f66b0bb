#include "ui/QtPrompts.h"

#include <gtest/gtest.h>

using namespace tamsenor;

TEST(QtPromptsTest, FilterListBecomesQtNameFilters)
{
    struct Row {
        const char* name;
        QString filter;
        QStringList expected;
    };
    const Row rows[] = {
        { "keyword and results files", TextFileFilter, { "All Files(*.*) (*)", "Text Files(*.txt) (*.txt)" } },
        { "several patterns", "Pages|*.htm;*.html", { "Pages (*.htm *.html)" } },
        { "caption without pattern", "Odd", {} },
        { "empty", "", {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, QtPrompts::qtNameFilters(row.filter));
    }
}
