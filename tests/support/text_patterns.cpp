// Regular expressions for the tests, behind plain functions.
#include "support/text_patterns.hpp"

#include <regex>

namespace zemko_test {

bool matches_whole(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

bool contains_match(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

std::vector<std::vector<std::string>> all_matches(const std::string& text,
                                                  const std::string& pattern) {
    const std::regex compiled(pattern);
    std::vector<std::vector<std::string>> found;
    for (std::sregex_iterator it(text.begin(), text.end(), compiled), end; it != end; ++it) {
        std::vector<std::string> groups;
        for (const auto& group : *it)
            groups.push_back(group.str());
        found.push_back(std::move(groups));
    }
    return found;
}

}  // namespace zemko_test
