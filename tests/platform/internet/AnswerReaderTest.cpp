// The answer reader on its own: which answers it accepts, the raw header text it keeps, and that
// neither depends on how the bytes are split.
#include "linux/internet/AnswerReader.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::platform {
namespace {

using Progress = AnswerReader::Progress;

struct Outcome {
    Progress progress;
    DWORD status;
    std::string raw;
    bool operator==(const Outcome&) const = default;
};

Outcome ReadInPieces(const std::string& bytes, std::size_t piece)
{
    AnswerReader reader;
    Progress progress = Progress::NeedMore;
    for (std::size_t at = 0; at < bytes.size() && progress == Progress::NeedMore; at += piece) {
        progress = reader.Read(std::string_view(bytes).substr(at, piece));
    }
    if (progress != Progress::Complete) return {progress, 0, ""};
    return {progress, reader.Status(), reader.TakeRawHeader()};
}

using namespace std::string_literals;

TEST(AnswerReader, AcceptsWhatTheClientAlwaysAcceptedWhateverTheSplit)
{
    const struct {
        std::string answer;
        DWORD status;  // 0: refused
        std::string raw;
    } cases[] = {
        {"HTTP/1.1 200 OK\nServer: x\nDate: d\n\nbody", 200, "HTTP/1.1 200 OK\r\nServer: x\r\nDate: d\r\n\r\n"},
        {"HTTP/1.1 200 OK\r\nX: a\rb\r\nY: c\r\r\n\r\n", 200, "HTTP/1.1 200 OK\r\nX: a\rb\r\nY: c\r\r\n\r\n"},
        {"HTTP/1.1 200 OK\n\r\n", 200, "HTTP/1.1 200 OK\r\n\r\n"},
        {"HTTP/1.1 200 OK\r\nX: a\r\n  b\r\n\tc\r\n \r\n\r\n", 200,
         "HTTP/1.1 200 OK\r\nX: a\r\n  b\r\n\tc\r\n \r\n\r\n"},
        {"HTTP/1.1 200 OK\r\n: v\r\nServer : x\r\nX:\r\n\r\n\0\0"s, 200,
         "HTTP/1.1 200 OK\r\n: v\r\nServer : x\r\nX:\r\n\r\n"},
        {"HTTP/1.1 204\r\n\r\n", 204, "HTTP/1.1 204\r\n\r\n"},
        {"HTTP/1.1 204 \r\n\r\n", 204, "HTTP/1.1 204 \r\n\r\n"},
        {"HTTP/2 200\r\n\r\n", 200, "HTTP/2 200\r\n\r\n"},
        {"HTTP/2.0 999 X\r\n\r\n", 999, "HTTP/2.0 999 X\r\n\r\n"},
        {"HTTP/1.1 200 \xE9t\xE9\r\nServer: \xFF\x01\x7F\r\n\r\n", 200,
         "HTTP/1.1 200 \xE9t\xE9\r\nServer: \xFF\x01\x7F\r\n\r\n"},
        {"HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 103 Early\nLink: a\n\nHTTP/1.0 404 No\r\nA: b\r\n\r\n", 404,
         "HTTP/1.0 404 No\r\nA: b\r\n\r\n"},
        {"HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\n", 200, "HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\n"},
        // Refused: no status line (an HTTP/0.9 answer), a malformed one, or a malformed header.
        {"<html>hello</html>\n", 0, ""},
        {"\r\nHTTP/1.1 200 OK\r\n\r\n", 0, ""},
        {" HTTP/1.1 200 OK\r\n\r\n", 0, ""},
        {"http/1.1 200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.2 200 OK\r\n\r\n", 0, ""},
        {"HTTP/3 200\r\n\r\n", 0, ""},
        {"HTTP/22 200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.1  200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.1 099 X\r\n\r\n", 0, ""},
        {"HTTP/1.1 2000 X\r\n\r\n", 0, ""},
        {"HTTP/1.1 200OK\r\n\r\n", 0, ""},
        {"HTTP/1.1 200\tOK\r\n\r\n", 0, ""},
        {"HTTP/1.1 20\r\n\r\n", 0, ""},
        {"HTTP/1.1 101 Switching Protocols\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.1 200 OK\n b\n\n", 0, ""},
        {"HTTP/1.1 200 OK\r\n\tb: c\r\n\r\n", 0, ""},
        {"HTTP/1.1 100 Continue\r\n b\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.1 200 OK\r\nA: b\r\nNoColon\r\n\r\n", 0, ""},
        {"HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n"s, 0, ""},
        {"HTTP/1.1 200 O\0K\r\n\r\n"s, 0, ""},
        {"HTTP/1.1 100 Continue\r\n\r\ngarbage\r\n\r\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const Outcome expected =
            c.status == 0 ? Outcome{Progress::Invalid, 0, ""} : Outcome{Progress::Complete, c.status, c.raw};
        for (std::size_t piece : {c.answer.size(), std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
            EXPECT_EQ(ReadInPieces(c.answer, piece), expected) << "in pieces of " << piece;
        }
    }
}

TEST(AnswerReader, WaitsForTheEndOfTheHeader)
{
    for (const std::string& start : {"HTTP/1.1 200 OK\r\nServer: x\r\n"s, "HTTP/1.1 200 OK\r\n\r"s,
                                     "HTTP/1.1 100 X\r\n\r\n"s, "HTTP/1.1 200 OK"s, "HTT"s, ""s}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(ReadInPieces(start, 3).progress, Progress::NeedMore);
    }
    // Refused as soon as the first bytes cannot begin a status line.
    EXPECT_EQ(ReadInPieces("HTX", 3).progress, Progress::Invalid);
}

TEST(AnswerReader, KeepsAtMostTheBoundInWhateverLineEndsTheAnswerUses)
{
    const std::string status = "HTTP/1.1 200 OK\r\n";
    const std::string name = "X: ";
    for (const std::string& lineEnd : {"\r\n"s, "\n"s}) {
        SCOPED_TRACE(lineEnd.size());
        // Filled to exactly the bound with its closing empty line, then one byte more.
        const std::size_t fill = kMaxHeaderBytes - status.size() - name.size() - 4;
        const std::string exact = status + name + std::string(fill, 'a') + lineEnd + lineEnd;
        const Outcome fits = ReadInPieces(exact, 4096);
        EXPECT_EQ(fits.progress, Progress::Complete);
        EXPECT_EQ(fits.raw.size(), kMaxHeaderBytes);
        const std::string over = status + name + std::string(fill + 1, 'a') + lineEnd + lineEnd;
        EXPECT_EQ(ReadInPieces(over, 4096).progress, Progress::Invalid);
        // A line that never ends is refused once it passes the bound, not read on.
        EXPECT_EQ(ReadInPieces(status + name + std::string(fill + 1, 'a'), 4096).progress, Progress::Invalid);
        EXPECT_EQ(ReadInPieces(status + name + std::string(fill, 'a') + "\r", 4096).progress, Progress::NeedMore);
    }
}

}  // namespace
}  // namespace quenvar::platform
