#include "ToolRun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quenvar::testing {
namespace {

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments, const std::string& input)
{
    char folderTemplate[] = "/tmp/quenvar-tool-XXXXXX";
    ToolRun run;
    if (mkdtemp(folderTemplate) == nullptr) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return run;
    }
    const std::filesystem::path folder = folderTemplate;
    std::ofstream(folder / "in", std::ios::binary) << input;
    std::string command = Quoted(program);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " <" + Quoted((folder / "in").string()) + " >" + Quoted((folder / "out").string()) + " 2>" +
               Quoted((folder / "err").string());
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Contents(folder / "out");
    run.err = Contents(folder / "err");
    std::filesystem::remove_all(folder);
    return run;
}

}  // namespace quenvar::testing
