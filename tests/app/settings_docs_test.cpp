// The settings table of docs/usage.md is the code's: the comment row, then every row of
// ZEMKO_SETTINGS in its order, with its key, default and meaning.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <zemko/zemko.hpp>

#include "input/settings.hpp"
#include "support/test_support.hpp"

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A cell as the code writes it: trimmed, without code ticks, with the page's typographic signs
// (the middle dot and the minus sign) as the code's '*' and '-'.
std::string code_form(std::string cell) {
    replace_all(cell, "`", "");
    replace_all(cell, "\u00b7", "*");
    replace_all(cell, "\u2212", "-");
    const std::size_t first = cell.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
}

std::string row_line(const std::string& key, const std::string& default_value,
                     const std::string& meaning) {
    return key + " | " + default_value + " | " + meaning + "\n";
}

// The rows of the page's table headed "| Key | Default | Meaning |", one line each.
std::string table_of_page(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line) && line != "| Key | Default | Meaning |") {
    }
    std::string rows;
    while (std::getline(in, line) && !line.empty() && line[0] == '|') {
        if (line.rfind("|---", 0) == 0) continue;
        std::vector<std::string> cells;
        std::istringstream parts(line.substr(1));
        for (std::string cell; std::getline(parts, cell, '|');)
            cells.push_back(code_form(cell));
        cells.resize(3);
        rows += row_line(cells[0], cells[1], cells[2]);
    }
    return rows;
}

}  // namespace

TEST(SettingsDocs, TheTableOfUsageMdIsTheCodesTable) {
    const std::string path = zemko_test::source_path("docs/usage.md");
    const std::string page = zemko_test::read_text(path);
    ASSERT_FALSE(page.empty()) << "cannot read " << path;

    std::string expected =
        row_line(zemko::setting_rows[0].key, "", zemko::setting_rows[0].description);
#define ZEMKO_DOCS_ROW(field, key, default_value, kind, match, description) \
    expected += row_line(key, std::to_string(default_value), description);
    ZEMKO_SETTINGS(ZEMKO_DOCS_ROW)
#undef ZEMKO_DOCS_ROW
    EXPECT_EQ(table_of_page(page), expected);
}
