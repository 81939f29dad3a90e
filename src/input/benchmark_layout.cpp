// Reading the benchmark layouts of the literature, and telling them from a data file.
#include "input/benchmark_layout.hpp"

#include <cstdlib>

#include "input/jobs.hpp"
#include "input/line_scan.hpp"

namespace zemko {

namespace {

constexpr long long MACHINES = 2;
constexpr size_t SHORT_HEADER = 2;      // "n m"
constexpr size_t BENCHMARK_HEADER = 5;  // "n m seed upper_bound lower_bound"
constexpr size_t DATA_FILE_FIELDS = 4;  // "number p1 p2 route"
constexpr long long INT32_LARGEST = 2147483647;
constexpr const char* UTF8_BOM = "\xEF\xBB\xBF";
constexpr size_t FIELD_SHOWN = 24;  // characters of a bad field quoted in a message

// One line that holds fields: its number in the text, counted from 1, and its fields.
struct FieldLine {
    int number = 0;
    std::vector<std::string> fields;
};

std::vector<FieldLine> field_lines(const std::string& text) {
    std::vector<FieldLine> lines;
    size_t pos = text.compare(0, 3, UTF8_BOM) == 0 ? 3 : 0;
    for (int number = 1; pos < text.size(); ++number) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        FieldLine line{number, {}};
        for (size_t at = pos; at < end;) {
            while (at < end && is_c_space(static_cast<unsigned char>(text[at])))
                ++at;
            const size_t start = at;
            while (at < end && !is_c_space(static_cast<unsigned char>(text[at])))
                ++at;
            if (at > start) line.fields.push_back(text.substr(start, at - start));
        }
        if (!line.fields.empty()) lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

enum class FieldKind { integer, too_large, not_integer };

// A field as a whole: an optional sign and digits that fit a signed 32-bit integer.
FieldKind scan_field(const std::string& field, long long& value) {
    const bool negative = field[0] == '-';
    size_t pos = field[0] == '-' || field[0] == '+' ? 1 : 0;
    if (pos == field.size()) return FieldKind::not_integer;
    long long magnitude = 0;
    bool large = false;
    for (; pos < field.size(); ++pos) {
        if (!is_digit(static_cast<unsigned char>(field[pos]))) return FieldKind::not_integer;
        // Digits past the range only mark the field as too large, so nothing overflows.
        if (!large) magnitude = magnitude * 10 + (field[pos] - '0');
        large = large || magnitude > INT32_LARGEST + 1;
    }
    value = negative ? -magnitude : magnitude;
    if (large || value > INT32_LARGEST || value < -INT32_LARGEST - 1) return FieldKind::too_large;
    return FieldKind::integer;
}

// The numbers at the start of a line, up to its first field that is not one.
std::vector<long long> leading_numbers(const FieldLine& line) {
    std::vector<long long> numbers;
    for (const std::string& field : line.fields) {
        long long value = 0;
        const FieldKind kind = scan_field(field, value);
        if (kind == FieldKind::not_integer) break;
        numbers.push_back(kind == FieldKind::integer ? value : INT32_LARGEST);
    }
    return numbers;
}

std::string at_line(int number) {
    return "line " + std::to_string(number) + ": ";
}

std::string first_bad_field(const std::vector<FieldLine>& lines) {
    for (const FieldLine& line : lines) {
        for (const std::string& field : line.fields) {
            long long value = 0;
            const FieldKind kind = scan_field(field, value);
            const std::string shown = field.substr(0, FIELD_SHOWN);
            if (kind == FieldKind::not_integer)
                return at_line(line.number) + "'" + shown + "' is not an integer";
            if (kind == FieldKind::too_large)
                return at_line(line.number) + shown + " does not fit a signed 32-bit integer";
        }
    }
    return "";
}

// Why the first line is no header of two machines, or "".
std::string header_problem(const FieldLine& header) {
    const size_t count = header.fields.size();
    if (count != SHORT_HEADER && count != BENCHMARK_HEADER)
        return at_line(header.number) +
               "expected the header \"n m\" or \"n m seed upper_bound lower_bound\", found " +
               std::to_string(count) + " fields" +
               (count == DATA_FILE_FIELDS ? " (is it a data file of \"number p1 p2 route\"?)" : "");
    const std::vector<long long> numbers = leading_numbers(header);
    if (numbers[0] < 1 || numbers[0] > MAX_JOBS)
        return at_line(header.number) + "the header gives " + std::to_string(numbers[0]) +
               " jobs; the solver takes 1 to " + std::to_string(MAX_JOBS);
    if (numbers[1] != MACHINES)
        return at_line(header.number) + "the header gives " + std::to_string(numbers[1]) +
               " machines; only instances of two machines can be converted";
    return "";
}

// The times after the header, with the line of each and where each line ends among them.
struct BodyTimes {
    std::vector<long long> values;
    std::vector<int> line_of;
    std::vector<size_t> line_ends;  // the count of times up to the end of each line
};

BodyTimes body_times(const std::vector<FieldLine>& lines) {
    BodyTimes body;
    for (size_t k = 1; k < lines.size(); ++k) {
        for (long long value : leading_numbers(lines[k])) {
            body.values.push_back(value);
            body.line_of.push_back(lines[k].number);
        }
        body.line_ends.push_back(body.values.size());
    }
    return body;
}

std::string count_problem(const BodyTimes& body, int header_line, long long n) {
    const size_t expected = static_cast<size_t>(MACHINES * n);
    const std::string of_jobs =
        std::to_string(expected) + " times of " + std::to_string(n) + " jobs on two machines";
    if (body.values.size() < expected)
        return at_line(body.line_of.empty() ? header_line : body.line_of.back()) +
               "the file ends after " + std::to_string(body.values.size()) + " of the " + of_jobs;
    if (body.values.size() > expected)
        return at_line(body.line_of[expected]) + "more than the " + of_jobs;
    return "";
}

// The layout asked for, or the one the lines show: n lines of two times are rows, except that
// with n = 2 they are also two machine rows of two, read as a matrix with a note; anything else
// is a matrix, with a note when no line ends after machine 1's times.
BenchmarkLayout chosen_layout(const BodyTimes& body, long long n, BenchmarkLayout asked,
                              std::string& note) {
    if (asked != BenchmarkLayout::automatic) return asked;
    bool one_job_a_line = body.line_ends.size() == static_cast<size_t>(n);
    for (size_t k = 0; k < body.line_ends.size() && one_job_a_line; ++k)
        one_job_a_line = body.line_ends[k] == MACHINES * (k + 1);
    if (one_job_a_line && n != MACHINES) return BenchmarkLayout::rows;
    bool machine_rows = false;
    for (size_t end : body.line_ends)
        machine_rows = machine_rows || end == static_cast<size_t>(n);
    if (one_job_a_line)
        note =
            "two lines of two times fit both layouts: read machine by machine "
            "(--layout rows reads them job by job)";
    else if (!machine_rows)
        note =
            "no line ends after machine 1's times: read machine by machine "
            "(--layout rows reads them job by job)";
    return BenchmarkLayout::matrix;
}

// The jobs of the 2·n times in the layout; "" or why they cannot be a data file.
std::string fill_jobs(const BodyTimes& body, long long n, BenchmarkRead& read) {
    long long time_sum = 0;
    for (long long j = 0; j < n; ++j) {
        const bool by_rows = read.layout == BenchmarkLayout::rows;
        const size_t first = static_cast<size_t>(by_rows ? MACHINES * j : j);
        const size_t second = static_cast<size_t>(by_rows ? MACHINES * j + 1 : n + j);
        Job job{static_cast<int>(j + 1), static_cast<int>(body.values[first]),
                static_cast<int>(body.values[second]), 1};
        if (job.p1 == 0 && job.p2 == 0)
            return at_line(body.line_of[second]) + "job " + std::to_string(j + 1) +
                   " has both times 0, and the solver skips such a line of a data file";
        time_sum += std::llabs(job.p1) + std::llabs(job.p2);
        read.jobs.push_back(job);
    }
    if (n * time_sum > MAX_TIME_PRODUCT)
        return "the times are too large for the solver: " + std::to_string(n) +
               " jobs times the sum of all times exceeds " + std::to_string(MAX_TIME_PRODUCT);
    return "";
}

}  // namespace

BenchmarkRead read_benchmark_layout(const std::string& text, BenchmarkLayout layout) {
    BenchmarkRead read;
    const std::vector<FieldLine> lines = field_lines(text);
    if (lines.empty()) read.error = "the file holds no header \"n m\" and no times";
    if (read.error.empty()) read.error = first_bad_field(lines);
    if (read.error.empty()) read.error = header_problem(lines[0]);
    if (!read.error.empty()) return read;
    const long long n = leading_numbers(lines[0])[0];
    const BodyTimes body = body_times(lines);
    read.error = count_problem(body, lines[0].number, n);
    if (!read.error.empty()) return read;
    read.layout = chosen_layout(body, n, layout, read.note);
    read.error = fill_jobs(body, n, read);
    if (!read.error.empty()) read.jobs.clear();
    return read;
}

std::string looks_like_benchmark_layout(const std::string& text) {
    const std::vector<FieldLine> lines = field_lines(text);
    if (lines.empty()) return "";
    const std::vector<long long> header = leading_numbers(lines[0]);
    const bool header_alone = header.size() == lines[0].fields.size();
    size_t wide_lines = 0, times_after = 0;
    bool machine_wide_rows = lines.size() > 1 && header.size() == SHORT_HEADER;
    for (size_t k = 1; k < lines.size(); ++k) {
        wide_lines += lines[k].fields.size() > DATA_FILE_FIELDS ? 1 : 0;
        times_after += leading_numbers(lines[k]).size();
        machine_wide_rows =
            machine_wide_rows && static_cast<long long>(lines[k].fields.size()) == header[1];
    }
    const bool mostly_wide = 2 * wide_lines > lines.size() - 1;
    if (header_alone && header.size() == SHORT_HEADER && mostly_wide)
        return "a first line \"n m\", then the times machine by machine (a matrix layout)";
    if (header_alone && header.size() == BENCHMARK_HEADER && mostly_wide &&
        static_cast<long long>(times_after) == header[0] * header[1])
        return "a benchmark header \"n m seed upper_bound lower_bound\", then the times machine "
               "by machine";
    if (header_alone && machine_wide_rows)
        return "a first line \"n m\", then one job a line (a rows layout)";
    // The lines the solver would take as jobs: their second and third numbers, the times, are
    // not both 0 (a number a line does not hold counts as 0 here).
    size_t jobs = 0, short_jobs = 0;
    for (const FieldLine& line : lines) {
        const std::vector<long long> numbers = leading_numbers(line);
        const long long p1 = numbers.size() > 1 ? numbers[1] : 0;
        const long long p2 = numbers.size() > 2 ? numbers[2] : 0;
        if (p1 == 0 && p2 == 0) continue;
        ++jobs;
        short_jobs += numbers.size() < DATA_FILE_FIELDS ? 1 : 0;
    }
    if (2 * short_jobs > jobs)
        return "lines of fewer than four numbers (one job a line \"p1 p2\" or \"number p1 p2\"?)";
    return "";
}

}  // namespace zemko
