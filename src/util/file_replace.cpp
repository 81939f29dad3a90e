#include "util/file_replace.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zemko {

std::string write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::strerror(n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    return "";
}

std::string replace_file(const std::string& path, const std::string& text) {
    std::string temp_name = path + ".XXXXXX";
    const int fd = ::mkstemp(temp_name.data());
    if (fd < 0) return std::string("cannot create a file beside it: ") + std::strerror(errno);
    // mkstemp creates the file with mode 0600; a result file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::string error;
    if (::fchmod(fd, 0666 & ~mask) != 0) error = std::strerror(errno);
    if (error.empty()) error = write_all(fd, text);
    if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
    if (error.empty() && ::rename(temp_name.c_str(), path.c_str()) != 0)
        error = std::strerror(errno);
    if (!error.empty()) ::unlink(temp_name.c_str());
    return error;
}

}  // namespace zemko
