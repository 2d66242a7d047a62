// Host lists read from a file or standard input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quenvar::tools {

// One host per line, surrounding blanks removed; text from '#' to the end of the line is a
// comment; lines left empty are skipped. LF and CR LF line ends alike.
[[nodiscard]] std::vector<std::string> ParseHostList(std::string_view text);

// Appends the hosts of `path` ("-": standard input). false, with a message in `error`, when the
// file cannot be read.
[[nodiscard]] bool ReadHostFile(const std::string& path, std::vector<std::string>& hosts, std::string& error);

}  // namespace quenvar::tools
