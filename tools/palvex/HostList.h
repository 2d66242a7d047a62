// Host lists read from a file or standard input.
#pragma once

#include "tools/palvex/TextList.h"

#include <string>
#include <string_view>

namespace quenvar::tools {

// The hosts to ask, in input order.
using HostList = TextList;

// Appends the hosts of `text`: one host per line, surrounding blanks removed; text from '#' to the
// end of the line is a comment; lines left empty are skipped. LF and CR LF line ends alike.
void ParseHostList(std::string_view text, HostList& hosts);

// Appends the hosts of `path` ("-": standard input). false, with a message in `error`, when the
// file cannot be read.
[[nodiscard]] bool ReadHostFile(const std::string& path, HostList& hosts, std::string& error);

}  // namespace quenvar::tools
