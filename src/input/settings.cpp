// The settings table and the reading of ZEMKO.INI: lines "key = value", prefix-matched keys.
#include "input/settings.hpp"

#include <sys/stat.h>
#include <cstring>
#include <fstream>
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

const SettingRow* find_row(const std::string& key) {
    for (const SettingRow& row : setting_rows)
        if (key.compare(0, std::strlen(row.key), row.key) == 0) return &row;
    return nullptr;
}

}  // namespace

void apply_settings(std::istream& in, Settings& settings, std::ostream* messages) {
    const Transcript out{messages};
    LineReader reader(in);
    std::string line;
    int line_number = 0;
    while (reader.read_line(line)) {
        if (reader.failed()) break;  // the line was cut short by the failure
        ++line_number;
        SettingLine parsed = scan_setting_line(line);
        if (parsed.converted < 0) continue;
        const SettingRow* row = find_row(parsed.key);
        if (!row) {
            say(out, "\nWarning : Unknown message in ZEMKO Config File at line %d\n", line_number);
            continue;
        }
        if (!row->setting) continue;  // comment
        if (parsed.converted < 2) {
            say(out, "\nWarning : Missing value in ZEMKO Config File at line %d\n", line_number);
        } else if (parsed.out_of_range) {
            say(out, "\nWarning : Value out of range in ZEMKO Config File at line %d\n",
                line_number);
        } else {
            settings.*row->setting = static_cast<int>(parsed.value);
        }
    }
    // The lines before the failure stay applied, like every other line the reader could use.
    if (reader.failed())
        say(out, "\nWarning : Cannot read ZEMKO Config File after line %d\n", line_number);
}

Settings read_settings(const std::string& path, std::ostream* messages) {
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
    apply_settings(in, settings, messages);
    return settings;
}

}  // namespace zemko
