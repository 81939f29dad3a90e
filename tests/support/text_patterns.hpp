// Regular expressions over the texts the tests read (console output, result files, SVG drawings),
// compiled in this one file: the standard library's regex costs each file that uses it seconds
// of compilation.
#pragma once

#include <string>
#include <vector>

namespace zemko_test {

// True when the whole text matches pattern (ECMAScript syntax, as std::regex).
bool matches_whole(const std::string& text, const std::string& pattern);

// True when pattern occurs somewhere in text.
bool contains_match(const std::string& text, const std::string& pattern);

// Every occurrence of pattern in text, in order, each as its groups (group 0 the whole of it).
std::vector<std::vector<std::string>> all_matches(const std::string& text,
                                                  const std::string& pattern);

}  // namespace zemko_test
