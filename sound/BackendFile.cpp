#include "BackendFile.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace mm {
namespace {

// No shared object of ours has more than a handful of program headers; the
// limit only keeps a hostile header from asking for a large read.
constexpr std::size_t maxProgramHeaders = 64;

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char byteOrder = ELFDATA2LSB;
#else
constexpr unsigned char byteOrder = ELFDATA2MSB;
#endif
constexpr unsigned char elfClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

}  // namespace
}  // namespace mm

// The program's own ELF header, which the linker places at its start: its
// machine is the one a back end must be built for. The name is the linker's.
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" const ElfW(Ehdr) __ehdr_start __attribute__((visibility("hidden")));

namespace mm {
namespace {

bool readAt(int fd, void* into, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// Empty when the open file can be handed to the loader, else why not.
std::string problemWith(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    const auto size = static_cast<std::uint64_t>(st.st_size);

    ElfW(Ehdr) header{};
    if (size < sizeof header || !readAt(fd, &header, sizeof header, 0)) return "too short";
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "not a shared object";
    if (header.e_ident[EI_CLASS] != elfClass || header.e_ident[EI_DATA] != byteOrder ||
        header.e_type != ET_DYN || header.e_phentsize != sizeof(ElfW(Phdr)))
        return "not a shared object for this machine";
    // The loader would say only "No such file or directory".
    if (header.e_machine != __ehdr_start.e_machine) return "built for another kind of processor";
    const std::size_t count = header.e_phnum;
    if (count == 0 || count > maxProgramHeaders) return "implausible program headers";
    const std::uint64_t tableSize = count * sizeof(ElfW(Phdr));
    if (header.e_phoff > size || tableSize > size - header.e_phoff) return "cut short";

    std::vector<ElfW(Phdr)> segments(count);
    if (!readAt(fd, segments.data(), tableSize, static_cast<off_t>(header.e_phoff)))
        return "cut short";
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type != PT_LOAD) continue;
        if (segment.p_offset > size || segment.p_filesz > size - segment.p_offset)
            return "cut short";
    }
    return {};
}

}  // namespace

int openSoundBackendFile(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = path + ": " + std::strerror(errno);
        return -1;
    }
    if (std::string problem = problemWith(fd); !problem.empty()) {
        ::close(fd);
        why = path + ": " + problem;
        return -1;
    }
    return fd;
}

}  // namespace mm
