#include "tools/palvex/ResultFormat.h"

#include "tools/support/StatusText.h"
#include "tools/support/Utf8Characters.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quenvar::tools {
namespace {

constexpr std::array<std::string_view, 5> kHeadings = {"HOST", "HTTP", "SERVER", "CONTENT-LOCATION", "DATE"};
constexpr std::string_view kGap = "  ";
// Cells never hold control characters, so one can end them.
constexpr char kCellEnd = '\x1f';
// One long server header must not widen every row of the table.
constexpr std::size_t kMaxColumnWidth = 60;
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
// What a spreadsheet may take for the start of a formula, tab and CR included since some strip
// them before looking.
constexpr std::string_view kFormulaStarts = "=+-@\t\r";
constexpr std::size_t kOutputPieceBytes = std::size_t{64} * 1024;

// Printable ASCII, nearly all of what servers send, is shown as it is. Eight bytes are tested at
// a time: one below 0x20 or above 0x7E sets its top bit in the difference, the sum or itself.
bool IsPlainAscii(std::string_view text)
{
    constexpr std::uint64_t kEachByte = 0x0101010101010101;
    constexpr std::uint64_t kTopBits = 0x8080808080808080;
    std::uint64_t outside = 0;
    std::size_t at = 0;
    for (; at + sizeof outside <= text.size(); at += sizeof outside) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        outside |= (word - 0x20 * kEachByte) | (word + kEachByte) | word;
    }
    bool plain = (outside & kTopBits) == 0;
    for (; plain && at < text.size(); ++at) plain = text[at] >= 0x20 && text[at] < 0x7F;
    return plain;
}

// Columns are measured in characters as a terminal shows them, so UTF-8 continuation bytes do not
// count.
std::size_t DisplayWidth(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Appends a cell as a terminal may show it: control characters blanked, bytes that are not UTF-8
// replaced, trailing blanks dropped, and at most `maxWidth` characters, the last of them an
// ellipsis when the text is cut; "-" when nothing is left. Answers the width of what it appended.
std::size_t AppendPrintable(std::string& out, std::string_view text, std::size_t maxWidth = std::string_view::npos)
{
    const std::size_t start = out.size();
    if (IsPlainAscii(text)) {
        // A character a byte: the width is known without counting.
        const std::string_view kept = text.substr(0, text.find_last_not_of(' ') + 1);
        if (kept.size() > maxWidth) {
            out.append(kept.substr(0, maxWidth - 1)).append(kEllipsis);
            return maxWidth;
        }
        out.append(kept.empty() ? "-" : kept);
        return std::max<std::size_t>(kept.size(), 1);
    }
    std::size_t width = 0;
    std::size_t cut = 0;  // where the ellipsis goes
    ForEachUtf8Character(text, [&](std::string_view character) {
        if (IsControlCharacter(character)) out += ' ';
        else out.append(character);
        if (++width == maxWidth - 1) cut = out.size();
    });
    const std::size_t trimmed = std::max(out.find_last_not_of(' ') + 1, start);
    width -= out.size() - trimmed;  // each blank is one byte and one character
    out.resize(trimmed);
    if (width > maxWidth) out.replace(cut, std::string::npos, kEllipsis);
    if (out.size() == start) out += '-';
    return DisplayWidth(std::string_view(out).substr(start));
}

std::string Printable(std::string_view text)
{
    std::string printable;
    printable.reserve(text.size());
    AppendPrintable(printable, text);
    return printable;
}

// The component's error text begins with the failed step and its code, "HttpSend error 12029";
// a person also gets to read what the code means.
std::string ReadableError(std::string_view errorInfo)
{
    constexpr std::string_view kMarker = " error ";
    const std::string_view firstLine = errorInfo.substr(0, errorInfo.find_first_of("\r\n"));
    const std::size_t marker = firstLine.rfind(kMarker);
    if (marker == std::string_view::npos) return Printable(errorInfo);
    const std::string_view digits = firstLine.substr(marker + kMarker.size());
    DWORD code = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    const std::string meaning = status == std::errc() && end == digits.data() + digits.size() ? MessageText(code) : "";
    if (digits.empty() || meaning.empty()) return Printable(errorInfo);
    std::string rest = Printable(errorInfo.substr(firstLine.size()));
    rest.erase(0, rest.find_first_not_of(' '));
    return Printable(firstLine) + " (" + meaning + ")" + (rest == "-" ? "" : " " + rest);
}

}  // namespace

std::string JsonEscape(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    ForEachUtf8Character(text, [&escaped](std::string_view character) {
        if (character.size() > 1) {
            escaped.append(character);
            return;
        }
        const char c = character[0];
        switch (c) {
        case '"': escaped += "\\\""; break;
        case '\\': escaped += "\\\\"; break;
        case '\b': escaped += "\\b"; break;
        case '\f': escaped += "\\f"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\t': escaped += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
                escaped += code;
            } else {
                escaped += c;
            }
        }
    });
    return escaped;
}

std::string FormatJsonLine(const QueryResult& result)
{
    std::string line = "{";
    const auto field = [&line](std::string_view name, std::string_view value) {
        line.append("\"").append(name).append("\":\"").append(JsonEscape(value)).append("\",");
    };
    field("host", result.host);
    line.append("\"ok\":").append(result.ok ? "true" : "false").append(",");
    field("HTTPVer", result.httpVer);
    field("ServerSoftware", result.serverSoftware);
    field("ContentLocation", result.contentLocation);
    field("CurrentServerTime", result.currentServerTime);
    if (result.ok) line.append("\"error\":null,");
    else field("error", result.error);
    return line.append("\"elapsedMs\":").append(std::to_string(result.elapsedMs)).append("}\n");
}

std::string CsvField(std::string_view text)
{
    std::string field;
    field.reserve(text.size() + 3);
    if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos) field += '\'';
    bool quoted = false;
    ForEachUtf8Character(text, [&](std::string_view character) {
        const char c = character[0];
        const bool lineBreak = c == '\r' || c == '\n';
        quoted = quoted || c == ',' || c == '"' || lineBreak;
        if (c == '"') field += '"';
        if (IsControlCharacter(character) && !lineBreak && c != '\t') field += ' ';
        else field.append(character);
    });
    return quoted ? '"' + field + '"' : field;
}

std::string FormatCsvLine(const QueryResult& result)
{
    std::string line = CsvField(result.host);
    line.append(result.ok ? ",true," : ",false,");
    for (const std::string* text :
         {&result.httpVer, &result.serverSoftware, &result.contentLocation, &result.currentServerTime, &result.error}) {
        line.append(CsvField(*text)) += ',';
    }
    return line.append(std::to_string(result.elapsedMs)).append("\r\n");
}

ResultTable::ResultTable()
{
    for (std::size_t column = 0; column < kColumns; ++column) widths_[column] = kHeadings[column].size();
}

void ResultTable::Add(const QueryResult& result)
{
    row_.clear();
    const auto addCell = [this](std::size_t column, std::string_view text) {
        const std::size_t widthAt = row_.size();
        row_ += '\0';
        const std::size_t width = AppendPrintable(row_, text, kMaxColumnWidth);
        row_[widthAt] = static_cast<char>(width);
        widths_[column] = std::max(widths_[column], width);
        row_ += kCellEnd;
    };
    addCell(0, result.host);
    if (result.ok) {
        addCell(1, result.httpVer);
        addCell(2, result.serverSoftware);
        addCell(3, result.contentLocation);
        addCell(4, result.currentServerTime);
    } else {
        // An error line spans the value columns, so it does not widen them.
        row_.append(1, '\0').append("error: ").append(ReadableError(result.error)) += kCellEnd;
    }
    rows_.Append(row_);
}

void ResultTable::Print(std::ostream& out) const
{
    // Lines go out in pieces of many lines: a stream insertion per line costs more than the line.
    std::string text;
    const auto printRow = [&](std::string_view row) {
        for (std::size_t column = 0; !row.empty(); ++column) {
            const std::size_t width = static_cast<unsigned char>(row[0]);
            const std::string_view cell = row.substr(1, row.find(kCellEnd, 1) - 1);
            row.remove_prefix(cell.size() + 2);
            text += cell;
            if (!row.empty()) text.append(widths_[column] - width + kGap.size(), ' ');
        }
        text += '\n';
        if (text.size() >= kOutputPieceBytes) {
            out << text;
            text.clear();
        }
    };
    std::string heading;
    for (const std::string_view name : kHeadings)
        heading.append(1, static_cast<char>(name.size())).append(name) += kCellEnd;
    printRow(heading);
    TextList::Cursor cursor(rows_);
    for (std::string_view row; cursor.Next(row);) printRow(row);
    out << text;
}

}  // namespace quenvar::tools
