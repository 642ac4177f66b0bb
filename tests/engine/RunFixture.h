#pragma once

#include "engine/FakeRunHost.h"
#include "io/TempDir.h"

#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

#include <string>

namespace tamsenor::testing {

// A run in a fresh directory, with the English month names pinned.
class RunFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        ASSERT_FALSE(dir.path().empty());
    }

    // Writes `content` to `name` in the directory and returns its full path.
    QString makeFile(const std::string& name, const std::string& content)
    {
        WriteBytes(dir.file(name), content);
        return QString::fromStdString(dir.file(name));
    }
    QString pathOf(const std::string& name) const { return QString::fromStdString(dir.file(name)); }

    TempDir dir;
    FakeRunHost host;
};

} // namespace tamsenor::testing
