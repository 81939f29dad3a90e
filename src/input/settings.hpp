// The nine integer settings of a run and the reader of the settings file ZEMKO.INI.
#pragma once

#include <istream>

namespace zemko {

// The settings, named as in the settings file. setting_rows below is the one place that gives
// their keys, defaults and meaning.
extern int Perturb;
extern int ALPHA;
extern int OUTPUT;
extern int Beam;
extern int Filter;
extern int ParetoBeam;
extern int BetterUB;
extern int RecoveryStep;
extern int MoreLoops;
extern int Threads;

// One row of the key table. A line's key matches a row when it begins with the row's key.
struct SettingRow {
    const char* key;          // key text as written in the settings file
    int* setting;             // the setting it sets; none for the comment row
    int default_value;        // value before the file is read
    const char* description;  // what the setting does, for the documentation
};

inline constexpr int N_SETTING_ROWS = 11;
// Searched in this order; row 0 is the comment marker.
extern const SettingRow setting_rows[N_SETTING_ROWS];

inline constexpr const char* SETTINGS_FILE = "ZEMKO.INI";

// Gives every setting its default.
void set_default_settings();

// Applies the lines of a settings stream over the current values, printing a warning for each
// line it cannot use, and one when the stream fails before its end.
void apply_settings(std::istream& in);

// Sets the defaults, then reads the named settings file if it can be opened (otherwise says
// so). Returns 0; never fails.
int read_settings_file(const char* path);

// read_settings_file(SETTINGS_FILE).
int read_settings();

}  // namespace zemko
