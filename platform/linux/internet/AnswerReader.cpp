#include "linux/internet/AnswerReader.h"

#include <algorithm>
#include <cstring>

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
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    // Lines that arrived whole and end in CR LF are kept as they came: [run, at) holds such lines,
    // appended in one piece when a line that needs rewriting comes or the bytes end.
    const char* run = at;
    while (outcome_ == Progress::NeedMore && at != end) {
        if (line_.empty() && step_ != Step::StatusLine) {
            at = SkipPlainHeaderLines(at, end, run);
            if (at == end) break;
        }
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const char* const stop = newline != nullptr ? newline : end;
        const bool endsInCr = stop != at ? stop[-1] == '\r' : !line_.empty() && line_.back() == '\r';
        // The line's length as it will be kept, without the CR before its end.
        const std::size_t length = line_.size() + static_cast<std::size_t>(stop - at) - (endsInCr ? 1 : 0);
        if (length > 0 && !Fits(length, run, at)) return outcome_ = Progress::Invalid;
        if (newline == nullptr) {
            text_.append(run, at);
            line_.append(at, end);
            run = at = end;
            if (step_ == Step::StatusLine && !CouldBeStatusLine(line_)) return outcome_ = Progress::Invalid;
            break;
        }
        const bool asItCame = endsInCr && line_.empty();
        std::string_view line(at, static_cast<std::size_t>(stop - at));
        if (!line_.empty()) line = line_.append(line);
        if (endsInCr) line.remove_suffix(1);
        const LineEnd lineEnd = EndLine(line);
        if (lineEnd == LineEnd::Invalid) return outcome_ = Progress::Invalid;
        if (!asItCame && lineEnd != LineEnd::EndOfInterim) {
            text_.append(run, at).append(line).append("\r\n");
            run = newline + 1;
        }
        line_.clear();
        at = newline + 1;
        if (lineEnd == LineEnd::EndOfInterim) {
            // An interim answer: the final one follows on the same connection.
            text_.clear();
            run = at;
        } else if (lineEnd == LineEnd::EndOfHeader) {
            outcome_ = Progress::Complete;
        }
    }
    // A NUL anywhere in the header refuses the answer, whatever else the lines said; one search
    // over what was read costs less than one per line.
    if (std::memchr(bytes.data(), '\0', static_cast<std::size_t>(at - bytes.data())) != nullptr) {
        return outcome_ = Progress::Invalid;
    }
    text_.append(run, at);
    return outcome_;
}

const char* AnswerReader::SkipPlainHeaderLines(const char* at, const char* end, const char* run)
{
    for (;;) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (newline == nullptr || newline - at < 2 || newline[-1] != '\r') return at;
        const std::size_t length = static_cast<std::size_t>(newline - at) - 1;
        if (!Fits(length, run, at)) return at;
        // EndLine's header-line checks alone: through EndLine, with its other steps, a query cost
        // 80 instructions more. A line refused leaves the state as it was, for EndLine to refuse.
        if (IsBlank(*at)) {
            if (step_ == Step::FirstHeaderLine) return at;
        } else if (std::memchr(at, ':', length) == nullptr) {
            return at;
        } else {
            step_ = Step::HeaderLine;
        }
        at = newline + 1;
    }
}

inline AnswerReader::LineEnd AnswerReader::EndLine(std::string_view line)
{
    if (step_ == Step::StatusLine) {
        // A switch of protocols answers a request for one, and this client never asks.
        if (!ParseStatusLine(line, status_) || status_ == kSwitchingProtocols) return LineEnd::Invalid;
        step_ = Step::FirstHeaderLine;
    } else if (line.empty()) {
        if (status_ >= 200) return LineEnd::EndOfHeader;
        step_ = Step::StatusLine;
        return LineEnd::EndOfInterim;
    } else if (IsBlank(line.front())) {
        // A line that continues the previous header needs a header before it.
        if (step_ == Step::FirstHeaderLine) return LineEnd::Invalid;
    } else if (line.find(':') == std::string_view::npos) {
        return LineEnd::Invalid;
    } else {
        step_ = Step::HeaderLine;
    }
    return LineEnd::Kept;
}

}  // namespace quenvar::platform
