// Reads a server's answer up to the empty line that ends its header, from bytes as they arrive,
// however they are split. Lines may end in CR LF or LF alone; the text kept has every line ended
// by CR LF. Interim answers (1xx) are read and dropped, and the answer after them is the one
// kept. What the reader keeps is bounded by kMaxHeaderBytes whatever the server sends.
#pragma once

#include "platform/Win32.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quenvar::platform {

constexpr std::size_t kMaxHeaderBytes = std::size_t{64} * 1024;

class AnswerReader {
public:
    enum class Progress {
        NeedMore,  // no end of the header yet
        Complete,  // Status() and RawHeader() describe the answer; later bytes are not looked at
        Invalid,   // not an HTTP answer this client accepts; later bytes are not looked at
    };

    // Takes the next bytes of the answer. Throws std::bad_alloc.
    Progress Read(std::string_view bytes);

    DWORD Status() const { return status_; }
    // The status line and header lines, each ended by CR LF, then CR LF; once Complete.
    std::string TakeRawHeader() { return std::move(text_); }

private:
    enum class Step { StatusLine, FirstHeaderLine, HeaderLine };
    enum class LineEnd { Kept, Invalid, EndOfInterim, EndOfHeader };

    // Checks a whole line, without its LF, and moves to the next step. Inline in Read, whose
    // every line it sees: as a call it was a tenth of the reader's cost.
    [[gnu::always_inline]] LineEnd EndLine(std::string_view line);

    // Whether a line of `length` still fits the bound with its CR LF and the header's closing
    // CR LF, after the kept text and the bytes [run, at) that wait to join it.
    bool Fits(std::size_t length, const char* run, const char* at) const
    {
        return text_.size() + static_cast<std::size_t>(at - run) + length + 4 <= kMaxHeaderBytes;
    }

    // Passes over the whole header lines from `at` that end in CR LF and are kept as they came
    // (the usual answer's lines) with only the checks they need, and answers where it stopped: at
    // a line for the general steps (the end, a continuation, one to refuse or rewrite). `run` is
    // where the bytes not yet in the kept text start.
    const char* SkipPlainHeaderLines(const char* at, const char* end, const char* run);

    Progress outcome_ = Progress::NeedMore;
    Step step_ = Step::StatusLine;
    std::string line_;  // the start of a line that did not arrive whole
    std::string text_;  // the answer's lines so far, each ended by CR LF
    DWORD status_ = 0;
};

}  // namespace quenvar::platform
