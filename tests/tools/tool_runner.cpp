// Running a companion tool in a test.
#include "tools/tool_runner.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zemko_tools_test {

namespace {

std::string slurp_and_remove(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    return text.str();
}

}  // namespace

ToolRun run_tool(const std::string& program, const std::vector<std::string>& args,
                 const std::string& dir) {
    // The streams go to files outside dir, so that the tool sees dir as it was.
    std::string out_path = (std::filesystem::temp_directory_path() / "tool-out-XXXXXX").string();
    std::string err_path = (std::filesystem::temp_directory_path() / "tool-err-XXXXXX").string();
    int out_fd = ::mkstemp(out_path.data());
    int err_fd = ::mkstemp(err_path.data());
    if (out_fd < 0 || err_fd < 0) throw std::runtime_error("mkstemp failed");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out_fd, 1);
        ::dup2(err_fd, 2);
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out_fd);
    ::close(err_fd);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    ToolRun run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    run.out = slurp_and_remove(out_path);
    run.err = slurp_and_remove(err_path);
    return run;
}

std::vector<std::string> csv_fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

void expect_well_formed(const std::string& dir, const std::string& name) {
    constexpr const char* XMLLINT = "/usr/bin/xmllint";
    if (!std::filesystem::exists(XMLLINT)) {
        ADD_FAILURE() << "xmllint is missing (Debian package libxml2-utils)";
        return;
    }
    auto lint = run_tool(XMLLINT, {"--noout", name}, dir);
    EXPECT_EQ(lint.status, 0) << lint.err;
    EXPECT_EQ(lint.err, "");
}

}  // namespace zemko_tools_test
