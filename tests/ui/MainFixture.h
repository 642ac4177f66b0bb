#pragma once

#include "support/FixedClock.h"
#include "support/ScriptedPrompts.h"
#include "ui/MainWindow.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/ListBox.h"
#include "ui/toolkit/ProgressBar.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace tamsenor::testing {

// A main window started in a fresh temporary directory holding `files`; the
// working directory is restored afterwards.
class MainFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCwd_ = QDir::currentPath();
        ASSERT_TRUE(tmp_.isValid());
        root_ = QDir::cleanPath(tmp_.path());
    }

    void TearDown() override
    {
        main_.reset();
        QDir::setCurrent(savedCwd_);
    }

    void makeFile(const QString& relative)
    {
        QFile f(QDir(root_).filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << relative.toStdString();
    }

    // Starts the window in `dir` (relative to the temporary root).
    void start(const QString& dir = {})
    {
        ASSERT_TRUE(QDir::setCurrent(dir.isEmpty() ? root_ : QDir(root_).filePath(dir)));
        main_ = std::make_unique<MainWindow>(prompts_, clock_);
        main_->show();
    }

    template <typename T> T* control(const char* name)
    {
        T* c = main_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, c) << name;
        return c;
    }
    ListBox* list(const char* name) { return control<ListBox>(name); }
    CheckBox* check(const char* name) { return control<CheckBox>(name); }
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    QString caption(const char* name) { return control<QLabel>(name)->text(); }

    // A caption as the user reads it: an access key's "&" is not shown, "&&" shows one "&".
    static QString shown(const QString& caption)
    {
        QString out;
        for (qsizetype i = 0; i < caption.size(); ++i) {
            if (caption[i] == u'&' && i + 1 < caption.size())
                ++i;
            out += caption[i];
        }
        return out;
    }

    QString savedCwd_;
    QTemporaryDir tmp_;
    QString root_;
    ScriptedPrompts prompts_;
    FixedClock clock_ { QDateTime(QDate(2024, 3, 5), QTime(10, 0)) };
    std::unique_ptr<MainWindow> main_;
};

} // namespace tamsenor::testing
