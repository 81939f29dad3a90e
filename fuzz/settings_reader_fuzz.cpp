// Fuzz target for the settings reader: apply_settings on any bytes must not crash, and the nine
// settings must end as a line-by-line sscanf("%s = %lld") with the prefix-matched key table
// leaves them (a value outside 32 bits changes nothing).
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
std::vector<int> reference_settings(std::string text) {
    std::vector<int> values;
    for (const zemko::SettingRow& row : zemko::setting_rows)
        values.push_back(row.default_value);
    if (text.size() >= 3 &&
        std::equal(BOM, BOM + 3, reinterpret_cast<const unsigned char*>(text.data())))
        text.erase(0, 3);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<char> key(line.size() + 1);
        long long value = 0;
        if (sscanf(line.c_str(), "%s = %lld", key.data(), &value) != 2) continue;
        if (value < INT_MIN || value > INT_MAX) continue;
        for (int r = 0; r < zemko::n_setting_rows; ++r) {
            const char* row_key = zemko::setting_rows[r].key;
            if (std::strncmp(key.data(), row_key, std::strlen(row_key)) != 0) continue;
            values[r] = static_cast<int>(value);
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

    std::vector<int> expected = reference_settings(text);
    for (int r = 1; r < zemko::n_setting_rows; ++r)
        if (settings.*zemko::setting_rows[r].setting != expected[r])
            fail("setting differs from sscanf");
    return 0;
}
