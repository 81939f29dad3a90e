// The result files.
#include "app/result_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <string>

namespace zemko {

namespace {

// Writes all of text to fd in as few calls as the system allows.
bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// True when the file behind fd (out.txt, edited by hand) does not end with a line end: the
// appended line must then start a line of its own rather than run into the last one.
bool ends_inside_a_line(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_size == 0) return false;
    int reader = ::open(OUT_FILE, O_RDONLY);
    if (reader < 0) return false;  // a write-only out.txt: append as always
    char last = '\n';
    bool inside = ::pread(reader, &last, 1, info.st_size - 1) == 1 && last != '\n';
    ::close(reader);
    return inside;
}

// A temporary file beside `name`, renamed over it: readers see the old file or the new one,
// never a part of it.
bool replace_file(const char* name, const std::string& text) {
    std::string temp_name = std::string(name) + ".XXXXXX";
    int fd = ::mkstemp(temp_name.data());
    if (fd < 0) return false;
    mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, 0666 & ~mask) == 0 && write_all(fd, text);
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp_name.c_str(), name) == 0;
    if (!ok) ::unlink(temp_name.c_str());
    return ok;
}

}  // namespace

bool write_ub_file(long long objective, const std::vector<int>& sequence, int n_jobs) {
    std::string text = std::to_string(objective) + " ";
    for (int i = 0; i < n_jobs; ++i)
        text += std::to_string(sequence.empty() ? 0 : sequence[i]) + " ";
    return replace_file(UB_FILE, text);
}

bool write_proof_file(const std::string& summary) {
    return replace_file(PROOF_FILE, summary);
}

bool append_out_line(long long objective, int seconds) {
    std::string line = std::to_string(objective) + " " + std::to_string(seconds) + "\n";
    // One write on a file opened for appending: lines of runs that finish together never mix.
    int fd = ::open(OUT_FILE, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, ends_inside_a_line(fd) ? "\n" + line : line);
    ok = (::close(fd) == 0) && ok;
    return ok;
}

}  // namespace zemko
