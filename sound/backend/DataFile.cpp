#include "DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>

namespace mm {
namespace {

FileStamp stampFrom(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    return s;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

DataFileError readDataFile(const std::string& path, std::size_t maxBytes,
                           std::vector<std::uint8_t>& bytes, FileStamp& stamp) {
    bytes.clear();
    stamp = FileStamp{};
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer
    // forever, and a terminal or device could hold the caller as well.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? DataFileError::Missing
                                                     : DataFileError::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return DataFileError::Unreadable;
    stamp = stampFrom(st);
    if (!S_ISREG(st.st_mode)) return DataFileError::NotRegular;
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        return DataFileError::TooLarge;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return DataFileError::Unreadable;
        if (n == 0) break;  // shrank since fstat: keep what is there
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return DataFileError::None;
}

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FileStamp{};
    return stampFrom(st);
}

const char* describe(DataFileError error) {
    switch (error) {
        case DataFileError::None: return "ok";
        case DataFileError::Missing: return "no such file";
        case DataFileError::NotRegular: return "not a regular file";
        case DataFileError::TooLarge: return "file too large";
        case DataFileError::Unreadable: return "cannot be read";
    }
    return "cannot be read";
}

void reportDataFileProblem(const std::string& path, const FileStamp& stamp,
                           const std::string& what) {
    static std::mutex mutex;
    static std::map<std::string, FileStamp> reported;
    {
        std::lock_guard lock(mutex);
        const auto it = reported.find(path);
        if (it != reported.end() && it->second == stamp) return;
        reported[path] = stamp;
    }
    std::fprintf(stderr, "zanrai: %s: %s\n", path.c_str(), what.c_str());
}

}  // namespace mm
