// Printing query results: an aligned table for a person, or one JSON object per line.
#pragma once

#include "tools/palvex/TextList.h"
#include "tools/palvex/QueryResult.h"

#include <array>
#include <ostream>
#include <string>
#include <string_view>

namespace quenvar::tools {

// The text as the contents of a JSON string: quotes, backslashes and control characters escaped.
[[nodiscard]] std::string JsonEscape(std::string_view text);

// {"host":...,"ok":...,"HTTPVer":...,"ServerSoftware":...,"ContentLocation":...,
//  "CurrentServerTime":...,"error":null or text,"elapsedMs":n} and a line feed.
[[nodiscard]] std::string FormatJsonLine(const QueryResult& result);

// A header line and one line per result, columns aligned; a failed host shows "error:" and its
// text instead of the values (and the meaning of the code the text ends its first line with), an
// empty value shows as "-". Control characters become blanks, trailing blanks are dropped.
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
    TextList rows_;  // a row's cells, each ended by kCellEnd
};

}  // namespace quenvar::tools
