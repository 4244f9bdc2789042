// rank_save_loop <folder> <first value>: saves <folder>/rank.dat with
// increasing values until it is killed. It writes one line to stdout once the
// first save is complete, so the test knows when a kill can hit a save.

#include <QString>
#include <cstdio>
#include <cstdlib>

#include "RankFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rank_save_loop <folder> <first value>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/rank.dat");
    auto value = static_cast<std::int32_t>(std::strtol(argv[2], nullptr, 10));
    for (bool first = true;; first = false, ++value) {
        const rankfile::SaveResult saved = rankfile::save(path, value);
        if (!saved.ok) {
            std::fprintf(stderr, "rank_save_loop: %s\n", qPrintable(saved.error));
            return 1;
        }
        if (first) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
