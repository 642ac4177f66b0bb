#pragma once

#include "engine/BatchRun.h"

#include <QString>
#include <QStringList>

namespace tamsenor {

// The command line of tamsenor-batch, read into the run's settings.
struct BatchOptions {
    bool help = false;
    QString error; // a usage error; empty when the line is sound
    BatchSettings settings;
    QStringList paths;
};

// Reads the arguments after the program name: a command ("strip" or
// "extract"), its options (each "--name VALUE" or "--name=VALUE", anywhere
// among the paths; "--" ends the options) and the paths.
BatchOptions ParseBatchArguments(const QStringList& arguments);

// The --help text.
QString BatchUsage();

} // namespace tamsenor
