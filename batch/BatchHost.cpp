#include "batch/BatchHost.h"

namespace tamsenor {

namespace {

bool InBarRange(float value)
{
    return value >= 0.0f && value <= 100.0f;
}

} // namespace

BatchHost::BatchHost(QStringList chosen)
    : chosen_(chosen)
    , chosenList_(std::move(chosen))
{
    // What the first resetWindow creates: an empty keyword set.
    session_.useKeywords(std::make_shared<KeywordFile>());
    state_.keywordsLoaded = true;
}

QString BatchHost::chosenEntry(int index) const
{
    // The run asks for each entry once, just before working on it.
    current_ = index;
    return chosenList_.value(index);
}

bool BatchHost::setOverallProgress(float value)
{
    if (!InBarRange(value))
        return false;
    overall_ = value;
    return true;
}

bool BatchHost::setFileProgress(float value)
{
    if (!InBarRange(value))
        return false;
    file_ = value;
    return true;
}

void BatchHost::setProgressCaption(const QString& text)
{
    if (onFile)
        onFile(current_, static_cast<int>(chosen_.size()), text);
}

void BatchHost::yield()
{
    if (interrupted && interrupted())
        state_.run.cancelRequested = true;
}

void BatchHost::reset()
{
    state_.run.results.reset();
    state_.run.cancelRequested = false;
    overall_ = file_ = 0.0f;
    chosenList_.clear();
}

Answer BatchHost::message(const QString&, Icon, Buttons buttons, const QString&)
{
    // The summary is built from the run's values, never from a message's text.
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::Yes;
    }
    return Answer::Ok;
}

} // namespace tamsenor
