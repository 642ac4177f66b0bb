#pragma once

#include "MainFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <functional>

namespace tamsenor::testing {

// Prompts that run a piece of test code at the first message box, that is,
// in the middle of the Process command.
class PromptsWithHook : public ScriptedPrompts {
public:
    std::function<void()> atFirstMessage;

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) override
    {
        if (auto hook = std::exchange(atFirstMessage, nullptr))
            hook();
        return ScriptedPrompts::message(text, icon, buttons, title);
    }
};

// The main window with prompts that can act during a run, and the drop and
// key helpers of the desktop tests.
class DesktopFixture : public MainFixture {
protected:
    void startWithHook(const QString& dir = {})
    {
        ASSERT_TRUE(QDir::setCurrent(dir.isEmpty() ? root_ : QDir(root_).filePath(dir)));
        main_ = std::make_unique<MainWindow>(hooked_, clock_);
        main_->show();
    }

    QString path(const QString& relative) const { return QDir::cleanPath(QDir(root_).filePath(relative)); }
    QUrl url(const QString& relative) const { return QUrl::fromLocalFile(path(relative)); }

    void makeDir(const QString& relative) { ASSERT_TRUE(QDir(root_).mkpath(relative)) << relative.toStdString(); }

    // Picks Combo1's item `text` as a click would.
    void pickSuffix(const QString& text)
    {
        auto* combo = control<QComboBox>("Combo1");
        const int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->setCurrentIndex(i);
        Q_EMIT combo->activated(i);
    }

    struct DropOutcome {
        bool entered; // the drag was let in
        bool dropped; // the drop was taken
    };
    // Drags `urls` over List2 and drops them there, as a file manager would,
    // then lets the queued work run.
    DropOutcome dropOnList2(const QList<QUrl>& urls)
    {
        QWidget* target = list("List2")->viewport();
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QApplication::processEvents();
        return { enter.isAccepted(), drop.isAccepted() };
    }

    // Makes the window the active one, so that its shortcuts and access keys answer.
    void activate()
    {
        main_->activateWindow();
        QApplication::setActiveWindow(main_.get());
        QApplication::processEvents();
    }

    PromptsWithHook hooked_;
};

} // namespace tamsenor::testing
