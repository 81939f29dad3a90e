// The settings of a run and the reader of the settings file ZEMKO.INI. The table of rows is
// ZEMKO_SETTINGS in <zemko/zemko.hpp>: the one place that gives keys, defaults and meanings.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include <zemko/zemko.hpp>

namespace zemko {

inline constexpr const char* SETTINGS_FILE = "ZEMKO.INI";

// The field a row sets: a whole number, or a decimal one (seconds).
struct SettingField {
    int Settings::*whole = nullptr;
    double Settings::*decimal = nullptr;
};
constexpr SettingField field_of(int Settings::*whole) {
    return {whole, nullptr};
}
constexpr SettingField field_of(double Settings::*decimal) {
    return {nullptr, decimal};
}

// One row of the key table.
struct SettingRow {
    const char* key;          // key text as written in the settings file
    SettingField field;       // the setting it sets; none for the comment row
    int default_value;        // value before the file is read
    SettingKind kind;         // a switch, a number, a count or seconds
    SettingMatch match;       // how a line's key finds the row
    const char* description;  // what the setting does, for the documentation
};

// The rows in the order they are searched; row 0 is the comment marker.
#define ZEMKO_SETTING_ROW(field, key, default_value, kind, match, description) \
    {                                                                          \
        key,                                                                   \
        field_of(&Settings::field),                                            \
        default_value,                                                         \
        SettingKind::kind,                                                     \
        SettingMatch::match,                                                   \
        description},
inline constexpr SettingRow setting_rows[] = {
    {"/*", {}, 0, SettingKind::number, SettingMatch::prefix, "comment line"},
    ZEMKO_SETTINGS(ZEMKO_SETTING_ROW)};
#undef ZEMKO_SETTING_ROW
inline constexpr int n_setting_rows = sizeof setting_rows / sizeof setting_rows[0];

// The row a settings-file key matches (the comment row for "/*..."), or null for an unknown key.
const SettingRow* find_setting_row(const std::string& key);

// The value of a row's setting, as a decimal number.
double setting_value(const Settings& settings, const SettingRow& row);

// Applies the lines of a settings stream over `settings`, writing the reader's warning to
// `messages` (when given) for each line it cannot use, and one when the stream fails before
// its end. A line of an exact-matched setting that it cannot take (a negative count, a value
// that is not a number of its kind, a key that only begins with the setting's key) is left out
// with a warning to `notes` (when given), a line that names the file and its line number.
void apply_settings(std::istream& in, Settings& settings, std::ostream* messages,
                    std::ostream* notes = nullptr, const std::string& file_name = SETTINGS_FILE);

// The defaults, then the lines of the named settings file if it can be opened (otherwise
// `messages` is told so). Never fails.
Settings read_settings(const std::string& path, std::ostream* messages,
                       std::ostream* notes = nullptr);

}  // namespace zemko
