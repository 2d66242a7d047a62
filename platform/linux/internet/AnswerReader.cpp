#include "linux/internet/AnswerReader.h"

#include <algorithm>

namespace quenvar::platform {
namespace {

constexpr std::string_view kStatusPrefix = "HTTP/";
// HTTP/2 status lines are accepted as earlier versions of this client accepted them.
constexpr std::string_view kVersions[] = {"HTTP/1.1 ", "HTTP/1.0 ", "HTTP/2 ", "HTTP/2.0 "};

constexpr DWORD kSwitchingProtocols = 101;

// What the start of a line can still become: a status line begins with "HTTP/". Checked while
// the line arrives, so that an answer without a status line is refused at once.
bool CouldBeStatusLine(std::string_view start)
{
    const std::size_t length = std::min(start.size(), kStatusPrefix.size());
    return start.substr(0, length) == kStatusPrefix.substr(0, length);
}

// "HTTP/<version> <three digits>", then the end or a blank and the reason.
bool ParseStatusLine(std::string_view line, DWORD& status)
{
    const auto version = std::find_if(std::begin(kVersions), std::end(kVersions),
                                      [&](std::string_view prefix) { return line.starts_with(prefix); });
    if (version == std::end(kVersions)) return false;
    const std::string_view rest = line.substr(version->size());
    if (rest.size() < 3 || (rest.size() > 3 && rest[3] != ' ')) return false;
    DWORD code = 0;
    for (char c : rest.substr(0, 3)) {
        if (c < '0' || c > '9') return false;
        code = code * 10 + static_cast<DWORD>(c - '0');
    }
    if (code < 100) return false;
    status = code;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

AnswerReader::Progress AnswerReader::Read(std::string_view bytes)
{
    // A header usually arrives in its first piece: sized for that, the text grows in one step.
    if (text_.capacity() < bytes.size()) text_.reserve(std::min(bytes.size() + 2, kMaxHeaderBytes));
    while (outcome_ == Progress::NeedMore && !bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (part.find('\0') != std::string_view::npos) return outcome_ = Progress::Invalid;
        // The line's length as it will be kept: a CR just before the line end is not kept.
        const char last = part.empty() ? (line_.empty() ? '\0' : line_.back()) : part.back();
        const std::size_t length = line_.size() + part.size() - (last == '\r' ? 1 : 0);
        // The line, its CR LF and the header's closing CR LF must fit.
        if (length > 0 && text_.size() + length + 4 > kMaxHeaderBytes) return outcome_ = Progress::Invalid;
        if (end == std::string_view::npos) {
            line_.append(part);
            if (step_ == Step::StatusLine && !CouldBeStatusLine(line_)) return outcome_ = Progress::Invalid;
            break;
        }
        bytes.remove_prefix(end + 1);
        // A line that arrived whole is taken from the bytes without a copy.
        if (line_.empty()) {
            outcome_ = EndLine(part);
        } else {
            line_.append(part);
            outcome_ = EndLine(line_);
            line_.clear();
        }
    }
    return outcome_;
}

AnswerReader::Progress AnswerReader::EndLine(std::string_view line)
{
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (step_ == Step::StatusLine) {
        // A switch of protocols answers a request for one, and this client never asks.
        if (!ParseStatusLine(line, status_) || status_ == kSwitchingProtocols) return Progress::Invalid;
        step_ = Step::FirstHeaderLine;
    } else if (line.empty()) {
        if (status_ >= 200) {
            text_ += "\r\n";
            return Progress::Complete;
        }
        // An interim answer: the final one follows on the same connection.
        text_.clear();
        step_ = Step::StatusLine;
        return Progress::NeedMore;
    } else if (IsBlank(line.front())) {
        // A line that continues the previous header needs a header before it.
        if (step_ == Step::FirstHeaderLine) return Progress::Invalid;
    } else if (line.find(':') == std::string_view::npos) {
        return Progress::Invalid;
    } else {
        step_ = Step::HeaderLine;
    }
    text_.append(line).append("\r\n");
    return Progress::NeedMore;
}

}  // namespace quenvar::platform
