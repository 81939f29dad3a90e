// Line-by-line reading of the text input files, and the scan of leading integers of a line as
// the C library's "%d %d ..." would do it, without any limit on the length of a line.
#pragma once

#include <istream>
#include <string>

namespace zemko {

inline constexpr int MAX_SCANNED_FIELDS = 4;

// The integers converted from the start of one line.
struct ScannedInts {
    int count = 0;                          // fields converted before the scan stopped
    long long value[MAX_SCANNED_FIELDS]{};  // their values (each fits 32 bits)
    bool out_of_range = false;              // a field had digits beyond the 32-bit range
};

// C-locale white space, as isspace() sees it.
inline bool is_c_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Reads a stream one line at a time; a UTF-8 byte-order mark at its start is skipped. A read
// error of the stream ends the input like its end does, and is remembered (failed()).
class LineReader {
  public:
    explicit LineReader(std::istream& in);

    // Scans up to max_fields integers from the start of the next line, white space skipped,
    // each an optional sign and digits; the scan stops at the first field that does not
    // convert, at a NUL byte or at the end of the line, and the rest of the line is skipped.
    // Returns false when no line is left.
    bool scan_line(int max_fields, ScannedInts& out);

    // Reads the next line without its line end into line. A NUL byte ends the line's text.
    // Returns false when no line is left.
    bool read_line(std::string& line);

    // True once reading the stream failed: the lines read so far are not the whole input.
    bool failed() const { return failed_; }

  private:
    int peek();
    int take();
    int from_stream(bool consume);

    std::streambuf* buf_;
    bool failed_ = false;
    unsigned char pending_[3];  // bytes read ahead while looking for the byte-order mark
    int n_pending_ = 0;
    int next_pending_ = 0;
};

// Scans one "%d" field from text[pos..]: white space, an optional sign, digits. Returns false
// (pos unspecified) when no digit follows; otherwise advances pos past the digits, stores the
// value and sets out_of_range when it does not fit 32 bits.
bool scan_int(const std::string& text, size_t& pos, long long& value, bool& out_of_range);

}  // namespace zemko
