// The answer reader on arbitrary server bytes: read at once and a byte at a time, it must come to
// the same outcome, and an accepted answer must have the shape HttpQueryInfoA promises.
#include "linux/internet/AnswerReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using quenvar::platform::AnswerReader;
using quenvar::platform::kMaxHeaderBytes;

namespace {

struct Outcome {
    AnswerReader::Progress progress;
    DWORD status = 0;
    std::string raw;
};

Outcome Read(std::string_view bytes, std::size_t piece)
{
    AnswerReader reader;
    Outcome outcome{AnswerReader::Progress::NeedMore, 0, {}};
    for (std::size_t at = 0; at < bytes.size() && outcome.progress == AnswerReader::Progress::NeedMore; at += piece) {
        outcome.progress = reader.Read(bytes.substr(at, piece));
    }
    if (outcome.progress == AnswerReader::Progress::Complete) {
        outcome.status = reader.Status();
        outcome.raw = reader.TakeRawHeader();
    }
    return outcome;
}

void Require(bool condition)
{
    if (!condition) __builtin_trap();
}

// Status line and header lines each ended by CR LF, then CR LF; no NUL; within the bound.
void CheckShape(const Outcome& outcome)
{
    const std::string& raw = outcome.raw;
    Require(outcome.status >= 100 && outcome.status <= 999 && outcome.status != 101);
    Require(raw.size() <= kMaxHeaderBytes && raw.starts_with("HTTP/") && raw.ends_with("\r\n\r\n"));
    Require(raw.find('\0') == std::string::npos);
    for (std::size_t at = raw.find('\n'); at != std::string::npos; at = raw.find('\n', at + 1)) {
        Require(at > 0 && raw[at - 1] == '\r');
    }
    Require(raw.find("\r\n\r\n") == raw.size() - 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Outcome whole = Read(bytes, bytes.size() + 1);
    const Outcome byByte = Read(bytes, 1);
    Require(whole.progress == byByte.progress && whole.status == byByte.status && whole.raw == byByte.raw);
    if (whole.progress == AnswerReader::Progress::Complete) CheckShape(whole);
    return 0;
}
