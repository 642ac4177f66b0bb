// Writes the man page and the bash completion of tamsenor-batch from its
// option table, at build time: make-batch-docs man|bash FILE.
#include "BatchOptions.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "man") != 0 && std::strcmp(argv[1], "bash") != 0)) {
        std::fputs("usage: make-batch-docs man|bash FILE\n", stderr);
        return 2;
    }
    const QByteArray text
        = (std::strcmp(argv[1], "man") == 0 ? tamsenor::BatchManPage() : tamsenor::BatchBashCompletion()).toUtf8();
    std::FILE* file = std::fopen(argv[2], "wb");
    if (!file
        || std::fwrite(text.data(), 1, static_cast<std::size_t>(text.size()), file)
            != static_cast<std::size_t>(text.size())
        || std::fclose(file) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
