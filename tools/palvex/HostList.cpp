#include "tools/palvex/HostList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>

namespace quenvar::tools {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::vector<std::string> ParseHostList(std::string_view text)
{
    std::vector<std::string> hosts;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = line.substr(0, line.find('#'));
        const std::size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string_view::npos) continue;
        line = line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
        hosts.emplace_back(line);
    }
    return hosts;
}

bool ReadHostFile(const std::string& path, std::vector<std::string>& hosts, std::string& error)
{
    std::string text;
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) {
            error = "cannot read the host list from standard input";
            return false;
        }
    } else {
        const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            error = "cannot open host list '" + path + "': " + std::strerror(errno);
            return false;
        }
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, read);
        if (std::ferror(file.get())) {
            error = "cannot read host list '" + path + "': " + std::strerror(errno);
            return false;
        }
    }
    std::vector<std::string> parsed = ParseHostList(text);
    hosts.insert(hosts.end(), parsed.begin(), parsed.end());
    return true;
}

}  // namespace quenvar::tools
