// Printing query results: an aligned table for a person, one JSON object per line, or CSV.
#pragma once

#include "tools/palvex/TextList.h"
#include "tools/palvex/QueryResult.h"

#include <array>
#include <ostream>
#include <string>
#include <string_view>

namespace quenvar::tools {

// The text as the contents of a JSON string: quotes, backslashes and control characters escaped,
// each byte that is not part of a UTF-8 character replaced by U+FFFD.
[[nodiscard]] std::string JsonEscape(std::string_view text);

// {"host":...,"ok":...,"HTTPVer":...,"ServerSoftware":...,"ContentLocation":...,
//  "CurrentServerTime":...,"error":null or text,"elapsedMs":n} and a line feed.
[[nodiscard]] std::string FormatJsonLine(const QueryResult& result);

// CSV after RFC 4180: the columns of the JSON form, records ended by CR LF, a field quoted (its
// quotes doubled) when it holds a comma, a quote or a line break. A text field that a spreadsheet
// would take for a formula (it begins with =, +, -, @, a tab or a CR) gets a leading apostrophe,
// since server software and error texts come from the servers asked; control characters other
// than line breaks and tabs become blanks, so that none reaches a terminal, and bytes that are
// not UTF-8 become U+FFFD.
inline constexpr char kCsvHeader[] =
    "host,ok,HTTPVer,ServerSoftware,ContentLocation,CurrentServerTime,error,elapsedMs\r\n";
[[nodiscard]] std::string CsvField(std::string_view text);
[[nodiscard]] std::string FormatCsvLine(const QueryResult& result);

// A header line and one line per result, columns aligned; a failed host shows "error:" and its
// text instead of the values (and the meaning of the code the text ends its first line with), an
// empty value shows as "-". Control characters become blanks, bytes that are not UTF-8 become
// U+FFFD, trailing blanks are dropped; a cell wider than 60 characters is cut to 59 and an ellipsis.
// Only the cells' text is kept until the table is printed, when all widths are known.
class ResultTable {
public:
    ResultTable();
    // Throws std::bad_alloc.
    void Add(const QueryResult& result);
    void Print(std::ostream& out) const;

private:
    static constexpr std::size_t kColumns = 5;
    std::array<std::size_t, kColumns> widths_;
    TextList rows_;    // a row's cells, each its width in one byte, its text and kCellEnd
    std::string row_;  // the row being added, kept for its capacity
};

}  // namespace quenvar::tools
