// Fuzz target for the settings reader: apply_settings on any bytes must not crash, and the
// settings must end as a line-by-line sscanf("%s = %lld") with the key table leaves them (a
// value outside 32 bits changes nothing): a prefix-matched row by its key's beginning, an
// exact row by its key, whose line must hold nothing but a value it takes. A line's text ends
// at a NUL byte. TimeLimit's decimals and its values above the largest it takes are left to
// the reader's own tests: here only its whole values in range are read, as sscanf reads them.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "input/settings.hpp"

namespace {

constexpr unsigned char BOM[3] = {0xEF, 0xBB, 0xBF};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "settings_reader: %s\n", what);
    std::abort();
}

// The settings as the reference reads the text, in the order of the key table's rows after the
// first.
std::vector<double> reference_settings(std::string text) {
    std::vector<double> values;
    for (const zemko::SettingRow& row : zemko::setting_rows)
        values.push_back(row.default_value);
    if (text.size() >= 3 &&
        std::equal(BOM, BOM + 3, reinterpret_cast<const unsigned char*>(text.data())))
        text.erase(0, 3);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        // The reader takes a line's text up to a NUL byte, as a C string would be.
        line.resize(std::strlen(line.c_str()));
        std::vector<char> key(line.size() + 1);
        long long value = 0;
        int end = 0;
        const int converted = sscanf(line.c_str(), "%s = %lld%n", key.data(), &value, &end);
        if (converted == 1)  // seconds such as ".5" are the reader's own to judge
            for (int r = 0; r < zemko::n_setting_rows; ++r)
                if (zemko::setting_rows[r].kind == zemko::SettingKind::seconds &&
                    std::strcmp(key.data(), zemko::setting_rows[r].key) == 0)
                    values[r] = -1;
        if (converted != 2) continue;
        if (value < INT_MIN || value > INT_MAX) continue;
        for (int r = 0; r < zemko::n_setting_rows; ++r) {
            const zemko::SettingRow& row = zemko::setting_rows[r];
            if (row.match == zemko::SettingMatch::exact) {
                if (std::strcmp(key.data(), row.key) != 0) continue;
                // Only a whole number with nothing after it is left to this reference.
                const bool rest_blank =
                    line.find_first_not_of(" \t\r\n\v\f", end) == std::string::npos;
                const bool at_least_zero = row.kind == zemko::SettingKind::count ||
                                           row.kind == zemko::SettingKind::seconds;
                if (rest_blank && !(at_least_zero && value < 0)) values[r] = value;
                if (row.kind == zemko::SettingKind::seconds &&
                    (!rest_blank || value > zemko::MAX_SECONDS_SETTING))
                    values[r] = -1;
                break;
            }
            if (std::strncmp(key.data(), row.key, std::strlen(row.key)) != 0) continue;
            values[r] = static_cast<double>(value);
            break;
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    zemko::Settings settings;
    std::istringstream in(text);
    zemko::apply_settings(in, settings, nullptr);  // the warnings are not checked here

    std::vector<double> expected = reference_settings(text);
    for (int r = 1; r < zemko::n_setting_rows; ++r)
        if (expected[r] >= 0 || zemko::setting_rows[r].kind != zemko::SettingKind::seconds)
            if (zemko::setting_value(settings, zemko::setting_rows[r]) != expected[r])
                fail("setting differs from sscanf");
    return 0;
}
