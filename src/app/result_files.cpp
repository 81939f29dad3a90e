// The result files.
#include "app/result_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "util/file_replace.hpp"

namespace zemko {

namespace {

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

}  // namespace

bool write_ub_file(long long objective, const std::vector<int>& sequence, int n_jobs) {
    std::string text = std::to_string(objective) + " ";
    for (int i = 0; i < n_jobs; ++i)
        text += std::to_string(sequence.empty() ? 0 : sequence[i]) + " ";
    return replace_file(UB_FILE, text).empty();
}

bool write_proof_file(const std::string& summary) {
    return replace_file(PROOF_FILE, summary).empty();
}

bool append_out_line(long long objective, int seconds) {
    std::string line = std::to_string(objective) + " " + std::to_string(seconds) + "\n";
    // One write on a file opened for appending: lines of runs that finish together never mix.
    int fd = ::open(OUT_FILE, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, ends_inside_a_line(fd) ? "\n" + line : line).empty();
    ok = (::close(fd) == 0) && ok;
    return ok;
}

}  // namespace zemko
