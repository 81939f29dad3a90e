// The settings table and the reading of ZEMKO.INI: lines "key = value", prefix-matched keys.
#include "input/settings.hpp"

#include <sys/stat.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "input/line_scan.hpp"

namespace zemko {

int Perturb;
int ALPHA;
int OUTPUT;
int Beam;
int Filter;
int ParetoBeam;
int BetterUB;
int RecoveryStep;
int MoreLoops;
int Threads;

const SettingRow setting_rows[N_SETTING_ROWS] = {
    {"/*", nullptr, 0, "comment line"},
    {"Perturb", &Perturb, 1, "nonzero: tune the per-job weights of the 21 priority lists"},
    {"ALPHA", &ALPHA, 10,
     "percentage weight of the upper bound in a child's score: ALPHA*UB + (100-ALPHA)*LB"},
    {"OUTPUT", &OUTPUT, 0,
     "1: full trace of the search; any other nonzero value: the problem-type lines"},
    {"Beam", &Beam, 50,
     "beam width, the most nodes kept per level (above 5000 it becomes 4999; below 1, 1)"},
    {"Filter", &Filter, 0, "nonzero: skip a child when another job is no longer on both machines"},
    {"ParetoBeam", &ParetoBeam, 0,
     "1: drop a node whose (LB, UB) is dominated by a kept node; nonzero: beam width 4999"},
    {"BetterUB", &BetterUB, 0, "nonzero: run the greedy completion at every bound"},
    {"RecoveryStep", &RecoveryStep, 1,
     "nonzero: apply the recovery step to every node considered for the next beam"},
    {"MoreLoops", &MoreLoops, 0,
     "nonzero: repeat the recovery step while it keeps lowering C2sum + MaxC2"},
    {"Threads", &Threads, 0,
     "threads that bound the children of a level: 0, or more than the hardware runs at once, "
     "means one per hardware thread; 1 single-threaded"},
};

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

void set_default_settings() {
    for (const SettingRow& row : setting_rows)
        if (row.setting) *row.setting = row.default_value;
}

void apply_settings(std::istream& in) {
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
            std::printf("\nWarning : Unknown message in ZEMKO Config File at line %d\n",
                        line_number);
            continue;
        }
        if (!row->setting) continue;  // comment
        if (parsed.converted < 2) {
            std::printf("\nWarning : Missing value in ZEMKO Config File at line %d\n", line_number);
        } else if (parsed.out_of_range) {
            std::printf("\nWarning : Value out of range in ZEMKO Config File at line %d\n",
                        line_number);
        } else {
            *row->setting = static_cast<int>(parsed.value);
        }
    }
    // The lines before the failure stay applied, like every other line the reader could use.
    if (reader.failed())
        std::printf("\nWarning : Cannot read ZEMKO Config File after line %d\n", line_number);
}

int read_settings_file(const char* path) {
    set_default_settings();
    struct stat info;
    std::ifstream in;
    if (stat(path, &info) == 0 && !S_ISDIR(info.st_mode))
        in.open(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        std::printf("\nFile %s not found. Using default configuration.\n\n", SETTINGS_FILE);
        return 0;
    }
    apply_settings(in);
    return 0;
}

int read_settings() {
    return read_settings_file(SETTINGS_FILE);
}

}  // namespace zemko
