// Runs a built tool as a user would, with the test process's environment (its private registry
// included), and captures what it printed and its exit status.
#pragma once

#include <string>
#include <vector>

namespace quenvar::testing {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `input` becomes the tool's standard input.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments, const std::string& input = {});

}  // namespace quenvar::testing
