#include "tools/palvex/HostList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quenvar::tools {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void ParseHostList(std::string_view text, HostList& hosts)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = line.substr(0, line.find('#'));
        const std::size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string_view::npos) continue;
        hosts.Append(line.substr(first, line.find_last_not_of(kBlanks) - first + 1));
    }
}

// A block at a time, so that a long list is never held twice.
bool ReadHostFile(const std::string& path, HostList& hosts, std::string& error)
{
    std::FILE* input = stdin;
    std::unique_ptr<std::FILE, FileCloser> file;
    if (path != "-") {
        file.reset(std::fopen(path.c_str(), "rb"));
        if (!file) {
            error = "cannot open host list '" + path + "': " + std::strerror(errno);
            return false;
        }
        input = file.get();
    }
    std::string pending;  // the start of a line whose end is still to be read
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
        // Only the bytes just read are searched, so that a long line costs no more than its length.
        const std::string_view block(buffer, read);
        const std::size_t lastEnd = block.rfind('\n');
        if (lastEnd == std::string_view::npos) {
            pending.append(block);
            continue;
        }
        pending.append(block.substr(0, lastEnd + 1));
        ParseHostList(pending, hosts);
        pending.assign(block.substr(lastEnd + 1));
    }
    if (std::ferror(input)) {
        error = path == "-" ? "cannot read the host list from standard input"
                            : "cannot read host list '" + path + "': " + std::strerror(errno);
        return false;
    }
    ParseHostList(pending, hosts);
    return true;
}

}  // namespace quenvar::tools
