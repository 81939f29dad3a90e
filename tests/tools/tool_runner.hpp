// Running a companion tool in a test: its standard output and standard error are kept apart,
// so that messages can be checked on the stream they belong to.
#pragma once

#include <string>
#include <vector>

namespace zemko_tools_test {

struct ToolRun {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs program with args in the folder dir.
ToolRun run_tool(const std::string& program, const std::vector<std::string>& args,
                 const std::string& dir);

// The fields of one CSV line (quoted fields with doubled quotes, no line ends inside).
std::vector<std::string> csv_fields(const std::string& line);

// Fails the test unless xmllint finds the file `name` in dir a well-formed XML document.
void expect_well_formed(const std::string& dir, const std::string& name);

}  // namespace zemko_tools_test
