#include "tools/palvex/ResultFormat.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>

namespace quenvar::tools {
namespace {

QueryResult Succeeded(std::string host, std::string server)
{
    QueryResult result;
    result.host = std::move(host);
    result.ok = true;
    result.httpVer = "HTTP/1.1";
    result.serverSoftware = std::move(server);
    result.currentServerTime = "Tue, 08 Dec 2026 17:00:00 GMT";
    result.elapsedMs = 12;
    return result;
}

std::string Table(std::initializer_list<QueryResult> results)
{
    ResultTable table;
    for (const QueryResult& result : results) table.Add(result);
    std::ostringstream out;
    table.Print(out);
    return out.str();
}

TEST(ResultFormat, CsvQuotesOnlyWhatNeedsItAndDisarmsFormulas)
{
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(CsvField("tab\tesc\x1b del\x7F"), "tab\tesc  del ");
    EXPECT_EQ(CsvField("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    for (const char* formula : {"+1", "-1", "@SUM(A1)", "\t=1"})
        EXPECT_EQ(CsvField(formula), std::string("'") + formula);
    EXPECT_EQ(CsvField("\r=1"), "\"'\r=1\"");
    EXPECT_EQ(CsvField("a\xFF\xC2\x9B"), "a\xEF\xBF\xBD ");  // not UTF-8, and a C1 control
}

TEST(ResultFormat, CsvLinesHaveTheJsonColumns)
{
    QueryResult ok = Succeeded("a:80", "nginx/1.22, with \"quotes\"");
    EXPECT_EQ(std::string(kCsvHeader),
              "host,ok,HTTPVer,ServerSoftware,ContentLocation,CurrentServerTime,error,elapsedMs\r\n");
    EXPECT_EQ(FormatCsvLine(ok),
              "a:80,true,HTTP/1.1,\"nginx/1.22, with \"\"quotes\"\"\",,\"Tue, 08 Dec 2026 17:00:00 GMT\",,12\r\n");
    QueryResult failed;
    failed.host = "https://b";
    failed.error = "HTTPS is not supported: the component speaks plain HTTP";
    failed.elapsedMs = 0;
    EXPECT_EQ(FormatCsvLine(failed),
              "https://b,false,,,,,HTTPS is not supported: the component speaks plain HTTP,0\r\n");
}

TEST(ResultFormat, JsonEscapesEverythingThatNeedsIt)
{
    EXPECT_EQ(JsonEscape("plain"), "plain");
    EXPECT_EQ(JsonEscape("a\"b\\c"), "a\\\"b\\\\c");
    EXPECT_EQ(JsonEscape("\r\n\t\b\f"), "\\r\\n\\t\\b\\f");
    EXPECT_EQ(JsonEscape(std::string("\x01\x1f\x00", 3)), "\\u0001\\u001f\\u0000");
    EXPECT_EQ(JsonEscape("caf\xC3\xA9 \x7F"), "caf\xC3\xA9 \x7F");  // UTF-8 and DEL stay as they are
    EXPECT_EQ(JsonEscape("\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"), "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF");
    // Each byte that begins no UTF-8 character: stray, overlong, surrogate, past U+10FFFF, cut short.
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(JsonEscape("\xFF\x80 \xC0\xAF \xE0\x9F\xBF \xED\xA0\x80 \xF4\x90\x80 \xE2\x82"),
              r + r + " " + r + r + " " + r + r + r + " " + r + r + r + " " + r + r + r + " " + r + r);
}

TEST(ResultFormat, JsonLineHoldsEveryField)
{
    EXPECT_EQ(FormatJsonLine(Succeeded("a.test", "nginx \"x\"")),
              "{\"host\":\"a.test\",\"ok\":true,\"HTTPVer\":\"HTTP/1.1\",\"ServerSoftware\":\"nginx \\\"x\\\"\","
              "\"ContentLocation\":\"\",\"CurrentServerTime\":\"Tue, 08 Dec 2026 17:00:00 GMT\",\"error\":null,"
              "\"elapsedMs\":12}\n");
    QueryResult failed;
    failed.host = "b.test";
    failed.error = "HttpSendRequest failed\r\n12007";
    failed.elapsedMs = 3;
    EXPECT_EQ(FormatJsonLine(failed),
              "{\"host\":\"b.test\",\"ok\":false,\"HTTPVer\":\"\",\"ServerSoftware\":\"\",\"ContentLocation\":\"\","
              "\"CurrentServerTime\":\"\",\"error\":\"HttpSendRequest failed\\r\\n12007\",\"elapsedMs\":3}\n");
}

TEST(ResultFormat, TableExplainsErrorCodes)
{
    const struct {
        const char* errorInfo;
        const char* shown;
    } cases[] = {
        {"HttpSend error 12029\n ", "HttpSend error 12029 (A connection with the server could not be established)"},
        {"HttpSend error 12003\n 550 denied\r\n",
         "HttpSend error 12003 (The server returned extended information) 550 denied"},
        {"Open error 99999\n ", "Open error 99999"},
        {"Open error 12x\n ", "Open error 12x"},
        {"cannot create Palvex: Class not registered (0x80040154)",
         "cannot create Palvex: Class not registered (0x80040154)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errorInfo);
        QueryResult failed;
        failed.host = "h";
        failed.error = c.errorInfo;
        EXPECT_EQ(Table({failed}),
                  std::string("HOST  HTTP  SERVER  CONTENT-LOCATION  DATE\nh     error: ") + c.shown + "\n");
    }
}

TEST(ResultFormat, TableAlignsColumnsAndSpansErrors)
{
    QueryResult failed;
    failed.host = "unreachable.test";
    failed.error = "line one\r\nline two\n ";
    const std::string table = Table({Succeeded("a", "Caf\xC3\xA9/1"), failed, Succeeded("long-host.test", "S")});
    EXPECT_EQ(table,
              "HOST              HTTP      SERVER  CONTENT-LOCATION  DATE\n"
              "a                 HTTP/1.1  Caf\xC3\xA9/1  -                 Tue, 08 Dec 2026 17:00:00 GMT\n"
              "unreachable.test  error: line one  line two\n"
              "long-host.test    HTTP/1.1  S       -                 Tue, 08 Dec 2026 17:00:00 GMT\n");
}

TEST(ResultFormat, TableCellsAreBlankedAndCapped)
{
    std::string capped;
    for (int i = 0; i < 59; ++i) capped += "\xC3\xA9";
    const struct {
        std::string server;
        std::string shown;
    } cases[] = {
        {"a\x1b[2J\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D!", "a [2J     !"},
        {"a\xFF bytes", "a\xEF\xBF\xBD bytes"},
        {"1234567\17789", "1234567 89"},  // DEL as the last of eight bytes tested together
        {"12345678\0379", "12345678 9"},  // a control character after them
        {capped + "\xC3\xA9", capped + "\xC3\xA9"},
        {capped + "\xC3\xA9!", capped + "\xE2\x80\xA6"},
        {std::string(60, 's') + "   ", std::string(60, 's')},
        {std::string(61, 's'), std::string(59, 's') + "\xE2\x80\xA6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const std::string table = Table({Succeeded("h", c.server)});
        const std::size_t start = table.find("HTTP/1.1  ") + 10;
        EXPECT_EQ(table.substr(start, table.find("  -", start) - start), c.shown);
    }
}

}  // namespace
}  // namespace quenvar::tools
