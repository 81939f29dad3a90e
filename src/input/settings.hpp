// The settings of a run and the reader of the settings file ZEMKO.INI. The table of rows is
// ZEMKO_SETTINGS in <zemko/zemko.hpp>: the one place that gives keys, defaults and meanings.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include <zemko/zemko.hpp>

namespace zemko {

// One row of the key table. A line's key matches a row when it begins with the row's key.
struct SettingRow {
    const char* key;          // key text as written in the settings file
    int Settings::*setting;   // the setting it sets; none for the comment row
    int default_value;        // value before the file is read
    SettingKind kind;         // a switch or a number
    const char* description;  // what the setting does, for the documentation
};

// The rows in the order they are searched; row 0 is the comment marker.
#define ZEMKO_SETTING_ROW(field, key, default_value, kind, description) \
    {key, &Settings::field, default_value, SettingKind::kind, description},
inline constexpr SettingRow setting_rows[] = {
    {"/*", nullptr, 0, SettingKind::number, "comment line"}, ZEMKO_SETTINGS(ZEMKO_SETTING_ROW)};
#undef ZEMKO_SETTING_ROW
inline constexpr int n_setting_rows = sizeof setting_rows / sizeof setting_rows[0];

inline constexpr const char* SETTINGS_FILE = "ZEMKO.INI";

// Applies the lines of a settings stream over `settings`, writing a warning to `messages` (when
// given) for each line it cannot use, and one when the stream fails before its end.
void apply_settings(std::istream& in, Settings& settings, std::ostream* messages);

// The defaults, then the lines of the named settings file if it can be opened (otherwise
// `messages` is told so). Never fails.
Settings read_settings(const std::string& path, std::ostream* messages);

}  // namespace zemko
