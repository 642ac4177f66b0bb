#pragma once

#include "io/Files.h"
#include "io/Journal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tamsenor::testing {

// Runs `steps` in a child process with a journal in `folder`, then kills
// the child with SIGKILL, as a crash would end a run: nothing is settled.
inline void RunAndKill(const std::string& folder, const std::function<void(io::Journal&)>& steps)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        io::Journal journal;
        if (!journal.create(folder))
            ::_exit(3);
        steps(journal);
        ::kill(::getpid(), SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
}

// One output written as a strip run writes it, its earlier file kept aside.
inline void KilledRunOutput(io::Journal& journal, const std::string& path, const std::string& content)
{
    io::ReplacingFile file;
    if (!file.open(path, &journal) || !file.write(content) || !file.commit(true, false))
        ::_exit(5);
}

} // namespace tamsenor::testing
