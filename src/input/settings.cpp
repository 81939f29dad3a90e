// The settings table and the reading of ZEMKO.INI: lines "key = value", keys matched by their
// beginning or exactly, as their rows say.
#include "input/settings.hpp"

#include <sys/stat.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "input/line_scan.hpp"
#include "util/transcript.hpp"

namespace zemko {

namespace {

// What "%s = %d" makes of one line.
struct SettingLine {
    int converted = 0;          // -1: no key (blank line); 1: key only; 2: key and value
    std::string key;            // the first token of non-blank characters
    long long value = 0;        // the value, when converted is 2
    bool out_of_range = false;  // the value's digits do not fit 32 bits
};

SettingLine scan_setting_line(const std::string& line) {
    SettingLine parsed;
    size_t pos = 0;
    while (pos < line.size() && is_c_space(static_cast<unsigned char>(line[pos])))
        ++pos;
    if (pos == line.size()) {
        parsed.converted = -1;
        return parsed;
    }
    size_t key_end = pos;
    while (key_end < line.size() && !is_c_space(static_cast<unsigned char>(line[key_end])))
        ++key_end;
    parsed.key = line.substr(pos, key_end - pos);
    parsed.converted = 1;
    pos = key_end;
    while (pos < line.size() && is_c_space(static_cast<unsigned char>(line[pos])))
        ++pos;
    if (pos == line.size() || line[pos] != '=') return parsed;
    ++pos;
    if (scan_int(line, pos, parsed.value, parsed.out_of_range)) parsed.converted = 2;
    return parsed;
}

bool begins_with(const std::string& key, const char* row_key) {
    return key.compare(0, std::strlen(row_key), row_key) == 0;
}

// The exact row whose key the given key begins with, when it has no row of its own.
const SettingRow* near_row(const std::string& key) {
    for (const SettingRow& row : setting_rows)
        if (row.match == SettingMatch::exact && begins_with(key, row.key)) return &row;
    return nullptr;
}

// The text after the line's '=', without the white space around it.
std::string value_text(const std::string& line) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return "";
    size_t begin = equals + 1, end = line.size();
    while (begin < end && is_c_space(static_cast<unsigned char>(line[begin])))
        ++begin;
    while (end > begin && is_c_space(static_cast<unsigned char>(line[end - 1])))
        --end;
    return line.substr(begin, end - begin);
}

// Whether the '=' follows the key, blanks aside, as in "TimeLimit = .5": a line such as
// "TimeLimit x = 1" has no value for its key.
bool equals_after_key(const std::string& line, const std::string& key) {
    size_t at = line.find(key);
    if (at == std::string::npos) return false;
    at += key.size();
    while (at < line.size() && is_c_space(static_cast<unsigned char>(line[at])))
        ++at;
    return at < line.size() && line[at] == '=';
}

// The whole text as a number of the row's kind; nothing when it is not one.
std::optional<double> exact_value(const std::string& text, SettingKind kind) {
    if (text.empty()) return std::nullopt;
    if (kind == SettingKind::seconds) {
        // Digits with an optional fraction and exponent: no hexadecimal, infinity or NaN.
        if (text.find_first_not_of("+-.0123456789eE") != std::string::npos) return std::nullopt;
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
        return value;
    }
    size_t pos = 0;
    long long value = 0;
    bool out_of_range = false;
    if (!scan_int(text, pos, value, out_of_range) || pos != text.size() || out_of_range)
        return std::nullopt;
    return static_cast<double>(value);
}

// Why an exact row cannot take `text`, or "" when it can (the value is then in `value`).
std::string refusal(const SettingRow& row, const std::string& text, double& value) {
    const std::optional<double> read = exact_value(text, row.kind);
    if (!read)
        return std::string(row.key) + " takes " +
               (row.kind == SettingKind::seconds ? "a number of seconds" : "a whole number") +
               ", not '" + text + "'";
    value = *read;
    const bool at_least_zero = row.kind == SettingKind::count || row.kind == SettingKind::seconds;
    if (at_least_zero && value < 0) return std::string(row.key) + " must be at least 0";
    if (row.kind == SettingKind::seconds && value > MAX_SECONDS_SETTING)
        return std::string(row.key) + " takes at most 1000000000 seconds";
    return "";
}

void set_value(Settings& settings, const SettingRow& row, double value) {
    if (row.field.decimal)
        settings.*row.field.decimal = value;
    else
        settings.*row.field.whole = static_cast<int>(value);
}

void note(std::ostream* notes, const std::string& file_name, int line_number,
          const std::string& what) {
    if (notes != nullptr)
        *notes << "Warning: " << file_name << " line " << line_number << ": " << what << "\n";
}

}  // namespace

// A prefix row matches by the key's beginning, an exact row by equality.
const SettingRow* find_setting_row(const std::string& key) {
    for (const SettingRow& row : setting_rows)
        if (row.match == SettingMatch::exact ? key == row.key : begins_with(key, row.key))
            return &row;
    return nullptr;
}

double setting_value(const Settings& settings, const SettingRow& row) {
    if (row.field.decimal) return settings.*row.field.decimal;
    return row.field.whole ? settings.*row.field.whole : 0;
}

void apply_settings(std::istream& in, Settings& settings, std::ostream* messages,
                    std::ostream* notes, const std::string& file_name) {
    const Transcript out{messages};
    LineReader reader(in);
    std::string line;
    int line_number = 0;
    while (reader.read_line(line)) {
        if (reader.failed()) break;  // the line was cut short by the failure
        ++line_number;
        SettingLine parsed = scan_setting_line(line);
        if (parsed.converted < 0) continue;
        const SettingRow* row = find_setting_row(parsed.key);
        if (!row) {
            say(out, "\nWarning : Unknown message in ZEMKO Config File at line %d\n", line_number);
            if (const SettingRow* near = near_row(parsed.key))
                note(notes, file_name, line_number,
                     "'" + parsed.key + "' is not a key; did you mean " + near->key +
                         (parsed.key.find('=') != std::string::npos ? " (with a blank after it)?"
                                                                    : "?"));
            continue;
        }
        if (!row->field.whole && !row->field.decimal) continue;  // comment
        const std::string text = value_text(line);
        double value = 0;
        if (row->match == SettingMatch::exact && !text.empty() && parsed.converted == 2 &&
            !parsed.out_of_range) {
            // A value the reader scans, but one that this setting cannot take.
            if (const std::string why = refusal(*row, text, value); !why.empty()) {
                note(notes, file_name, line_number, why + "; the line is left out");
                continue;
            }
        }
        if (row->match == SettingMatch::exact && row->kind == SettingKind::seconds &&
            parsed.converted < 2 && equals_after_key(line, parsed.key) &&
            refusal(*row, text, value).empty()) {
            set_value(settings, *row, value);  // seconds without a leading digit, such as .5
        } else if (parsed.converted < 2) {
            say(out, "\nWarning : Missing value in ZEMKO Config File at line %d\n", line_number);
        } else if (parsed.out_of_range) {
            say(out, "\nWarning : Value out of range in ZEMKO Config File at line %d\n",
                line_number);
        } else {
            set_value(
                settings, *row,
                row->match == SettingMatch::exact ? value : static_cast<double>(parsed.value));
        }
    }
    // The lines before the failure stay applied, like every other line the reader could use.
    if (reader.failed())
        say(out, "\nWarning : Cannot read ZEMKO Config File after line %d\n", line_number);
}

Settings read_settings(const std::string& path, std::ostream* messages, std::ostream* notes) {
    Settings settings;
    struct stat info;
    std::ifstream in;
    if (stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
        in.open(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        // Named as the user knows it: the file name without its folders.
        const size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        say(Transcript{messages}, "\nFile %s not found. Using default configuration.\n\n",
            name.c_str());
        return settings;
    }
    const size_t slash = path.find_last_of('/');
    apply_settings(in, settings, messages, notes,
                   slash == std::string::npos ? path : path.substr(slash + 1));
    return settings;
}

}  // namespace zemko
