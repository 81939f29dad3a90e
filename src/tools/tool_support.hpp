// Helpers shared by the companion tools: strict parsing of numeric arguments, whole-file
// reading, writing a result file in one step so that a failed run never leaves half of it, and
// escaping text for the SVG documents.
#pragma once

#include <optional>
#include <string>

namespace zemko_tools {

// Exit statuses common to the three tools.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_BAD_INPUT = 1;  // a file cannot be read or written, or is refused
inline constexpr int EXIT_USAGE = 2;      // wrong options or arguments

// The whole text as a decimal integer within [low, high]; nullopt for anything else (empty
// text, a sign alone, trailing characters, out of range).
std::optional<long long> parse_integer(const std::string& text, long long low, long long high);

// The whole content of a file; nullopt when it cannot be opened or read.
std::optional<std::string> read_file(const std::string& path);

// Writes text to a temporary file beside path and renames it over path, so that path holds
// either its old content or all of the new one. Returns an error description, or "" on success.
std::string write_file_atomically(const std::string& path, const std::string& text);

// Text that can stand in an SVG (XML) document's text or attribute.
std::string xml_escaped(const std::string& text);

// Prints "program: message" and a line end on standard error.
void report_error(const char* program, const std::string& message);

}  // namespace zemko_tools
