// Line reading and integer scanning shared by the data-file and settings-file readers.
#include "input/line_scan.hpp"

#include <climits>

namespace zemko {

namespace {

constexpr long long INT32_MAGNITUDE_LIMIT = 2147483648LL;  // |INT_MIN|

// Returns the value of a signed magnitude, or flags it when it leaves the 32-bit range.
long long signed_value(bool negative, long long magnitude, bool& out_of_range) {
    if (magnitude > (negative ? INT32_MAGNITUDE_LIMIT : INT_MAX)) out_of_range = true;
    return negative ? -magnitude : magnitude;
}

}  // namespace

LineReader::LineReader(std::istream& in) : buf_(in.rdbuf()) {
    static constexpr unsigned char BOM[3] = {0xEF, 0xBB, 0xBF};
    while (n_pending_ < 3) {
        int c = from_stream(true);
        if (c == EOF) break;
        pending_[n_pending_++] = static_cast<unsigned char>(c);
        if (pending_[n_pending_ - 1] != BOM[n_pending_ - 1]) return;
    }
    if (n_pending_ == 3) n_pending_ = 0;  // the whole mark was there: drop it
}

// The stream buffer of a file reports a failed read by throwing (an I/O error, or a file that
// can be opened but not read); it must not end the process nor pass for the end of the file.
int LineReader::from_stream(bool consume) {
    if (!buf_ || failed_) return EOF;
    try {
        return consume ? buf_->sbumpc() : buf_->sgetc();
    } catch (...) {
        failed_ = true;
        return EOF;
    }
}

int LineReader::peek() {
    if (next_pending_ < n_pending_) return pending_[next_pending_];
    return from_stream(false);
}

int LineReader::take() {
    if (next_pending_ < n_pending_) return pending_[next_pending_++];
    return from_stream(true);
}

bool LineReader::scan_line(int max_fields, ScannedInts& out) {
    out = ScannedInts{};
    if (peek() == EOF) return false;
    auto ends_text = [](int c) { return c == EOF || c == '\n' || c == '\0'; };
    while (out.count < max_fields && out.count < MAX_SCANNED_FIELDS) {
        int c = peek();
        while (!ends_text(c) && is_c_space(c)) {
            take();
            c = peek();
        }
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            take();
            c = peek();
        }
        if (!is_digit(c)) break;
        long long magnitude = 0;
        for (; is_digit(c); take(), c = peek())
            if (magnitude <= INT32_MAGNITUDE_LIMIT) magnitude = magnitude * 10 + (c - '0');
        long long value = signed_value(negative, magnitude, out.out_of_range);
        if (out.out_of_range) break;
        out.value[out.count++] = value;
    }
    for (int c = take(); c != EOF && c != '\n'; c = take()) {
    }
    return true;
}

bool LineReader::read_line(std::string& line) {
    line.clear();
    if (peek() == EOF) return false;
    bool past_nul = false;
    for (int c = take(); c != EOF && c != '\n'; c = take()) {
        if (c == '\0') past_nul = true;
        if (!past_nul) line.push_back(static_cast<char>(c));
    }
    return true;
}

bool scan_int(const std::string& text, size_t& pos, long long& value, bool& out_of_range) {
    while (pos < text.size() && is_c_space(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size() || !is_digit(static_cast<unsigned char>(text[pos]))) return false;
    long long magnitude = 0;
    for (; pos < text.size() && is_digit(static_cast<unsigned char>(text[pos])); ++pos)
        if (magnitude <= INT32_MAGNITUDE_LIMIT) magnitude = magnitude * 10 + (text[pos] - '0');
    value = signed_value(negative, magnitude, out_of_range);
    return true;
}

}  // namespace zemko
