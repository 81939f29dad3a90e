// Writing files whole: all of a text to an open file, and a file replaced in one step, so that
// a reader sees the old file or the new one, never a part of it.
#pragma once

#include <string>

namespace zemko {

// Writes all of `text` to the descriptor, in as few calls as the system allows; returns "" or
// why it could not.
std::string write_all(int fd, const std::string& text);

// Writes `text` to a temporary file beside `path` with the usual mode and renames it over
// `path`; returns "" or why it could not, and then leaves `path` as it was.
std::string replace_file(const std::string& path, const std::string& text);

}  // namespace zemko
