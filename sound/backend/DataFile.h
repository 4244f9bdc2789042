#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mm {

// What identifies one version of a file on disk: a file that failed once is
// not tried again until one of these changes.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

enum class DataFileError {
    None,
    Missing,     // no such file, or a folder on the way is unreadable
    NotRegular,  // a FIFO, device, socket or folder
    TooLarge,    // larger than the caller accepts
    Unreadable,  // open or read failed otherwise
};

// Reads a whole data file without ever blocking on it: the file is opened
// with O_NONBLOCK (symbolic links are followed), and only a regular file of at
// most maxBytes is read, checked on the open descriptor so that nothing can be
// swapped in between. stamp describes what was opened.
DataFileError readDataFile(const std::string& path, std::size_t maxBytes,
                           std::vector<std::uint8_t>& bytes, FileStamp& stamp);

// The stamp of what path names now (after symbolic links); exists is false
// when there is nothing to stat. Never opens the file.
FileStamp stampOf(const std::string& path);

// The words for an error, as they go to stderr.
const char* describe(DataFileError error);

// Writes "zanrai: <path>: <what>" to stderr, once per path and stamp, so a
// broken file is reported once however often it is asked for.
void reportDataFileProblem(const std::string& path, const FileStamp& stamp,
                           const std::string& what);

}  // namespace mm
