// A separate process that saves rank.dat, for faults a test cannot inflict
// on itself:
//   rank_saver loop <folder> <first value>
//     saves increasing values until it is killed; one line goes to stdout
//     once the first save is complete, so the test knows a kill can now hit
//     a save.
//   rank_saver once <folder> <value> <file size limit>
//     saves once with files limited to that many bytes (RLIMIT_FSIZE), so the
//     write runs out of room part-way as on a full disk; the exit status is
//     0 when the save reported success, 1 when it reported a failure.

#include <sys/resource.h>

#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "RankFile.h"

namespace {

std::int32_t number(const char* text) {
    return static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
}

int usage() {
    std::fprintf(stderr,
                 "usage: rank_saver loop <folder> <first value>\n"
                 "       rank_saver once <folder> <value> <file size limit>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage();
    const QString path = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/rank.dat");

    if (std::strcmp(argv[1], "once") == 0 && argc == 5) {
        // Past the limit a write fails with EFBIG instead of killing us.
        std::signal(SIGXFSZ, SIG_IGN);
        const auto limit = static_cast<rlim_t>(std::strtoul(argv[4], nullptr, 10));
        const rlimit fsize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fsize) != 0) {
            std::perror("rank_saver: setrlimit");
            return 2;
        }
        const rankfile::SaveResult saved = rankfile::save(path, number(argv[3]));
        if (!saved.ok) std::printf("%s\n", qPrintable(saved.error));
        return saved.ok ? 0 : 1;
    }

    if (std::strcmp(argv[1], "loop") == 0 && argc == 4) {
        for (std::int32_t value = number(argv[3]), first = 1;; first = 0, ++value) {
            const rankfile::SaveResult saved = rankfile::save(path, value);
            if (!saved.ok) {
                std::fprintf(stderr, "rank_saver: %s\n", qPrintable(saved.error));
                return 1;
            }
            if (first) {
                std::puts("saving");
                std::fflush(stdout);
            }
        }
    }
    return usage();
}
