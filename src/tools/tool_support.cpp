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

#include "util/file_replace.hpp"

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

std::string write_file_atomically(const std::string& path, const std::string& text) {
    // A device or a pipe (-o /dev/stdout, /dev/null) is written to as it is: renaming a file
    // over it would put a plain file in its place.
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        int fd = ::open(path.c_str(), O_WRONLY);
        if (fd < 0) return std::strerror(errno);
        std::string error = zemko::write_all(fd, text);
        if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
        return error;
    }
    return zemko::replace_file(path, text);
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
