// Helpers shared by the companion tools.
#include "tools/tool_support.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zemko_tools {

std::optional<long long> parse_integer(const std::string& text, long long low, long long high) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) return std::nullopt;
    // Digits are accumulated with a bound well inside long long, so no overflow can happen.
    constexpr long long MAGNITUDE_LIMIT = 1'000'000'000'000'000LL;
    long long magnitude = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9') return std::nullopt;
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > MAGNITUDE_LIMIT) return std::nullopt;
    }
    long long value = negative ? -magnitude : magnitude;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::string> read_file(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

namespace {

// Writes all of text to fd; returns "" or why it could not.
std::string write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::strerror(n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    return "";
}

}  // namespace

std::string write_file_atomically(const std::string& path, const std::string& text) {
    // A device or a pipe (-o /dev/stdout, /dev/null) is written to as it is: renaming a file
    // over it would put a plain file in its place.
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        int fd = ::open(path.c_str(), O_WRONLY);
        if (fd < 0) return std::strerror(errno);
        std::string error = write_all(fd, text);
        if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
        return error;
    }
    std::string temp_name = path + ".XXXXXX";
    int fd = ::mkstemp(temp_name.data());
    if (fd < 0) return std::string("cannot create a file beside it: ") + std::strerror(errno);
    // mkstemp creates the file with mode 0600; a result file gets the usual mode.
    mode_t mask = ::umask(0);
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

std::string xml_escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // Control characters are not allowed in XML 1.0 documents.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

void report_error(const char* program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
}

}  // namespace zemko_tools
