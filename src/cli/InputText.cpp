#include "cli/InputText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meldrix::cli {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::string sizeText(std::size_t bytes)
{
    if (bytes % (std::size_t { 1 } << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// Reads to the end, but never more than limit bytes: one byte more tells that there is more.
std::variant<std::string, InputError> readAll(int fd, std::size_t limit, const char* what)
{
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return InputError { std::strerror(errno) };
        if (n == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > limit)
            return InputError { std::string(what) + " more than " + sizeText(limit) };
    }
}

} // namespace

std::variant<std::string, InputError> readInputText(const std::string& path, std::size_t limit)
{
    if (path == "-")
        return readAll(STDIN_FILENO, limit, "it holds");
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return InputError { std::strerror(errno) };
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0)
        return InputError { std::strerror(errno) };
    if (S_ISDIR(info.st_mode))
        return InputError { "it is a folder" };
    if (!S_ISREG(info.st_mode))
        return InputError { "not a regular file (give \"-\" to read standard input)" };
    if (static_cast<std::size_t>(info.st_size) > limit)
        return InputError { "it is larger than " + sizeText(limit) };
    // The file may still grow while it is read.
    return readAll(fd.get(), limit, "it holds");
}

} // namespace meldrix::cli
