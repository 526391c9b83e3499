#include "fleet/outputs/cell_text.h"

#include "core/finding_table.h"
#include "core/printable_text.h"
#include "core/utf8_text.h"

#include <algorithm>

namespace quill::fleet {
namespace {

bool isPlainHtml(char c)
{
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

// A cell that starts like a formula is run as one by spreadsheet programs.
bool looksLikeFormula(std::string_view cell)
{
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

// The cell as shown: what is already plain printable ASCII, nearly every cell, is not copied.
void appendShown(std::string& out, std::string_view text)
{
    // ',' and tab as well: a spreadsheet that splits at either would otherwise cut the cell, and
    // what follows the cut would start a cell of its own, a formula perhaps.
    const bool quoted = std::any_of(text.begin(), text.end(), [](char c) {
        return c == ';' || c == ',' || c == '\t' || c == '"' || c == '\r' || c == '\n';
    });
    out += quoted ? "\"" : "";
    out += looksLikeFormula(text) ? "'" : "";
    if (!quoted) {
        out += text;
        return;
    }
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

} // namespace

void appendHtmlEscaped(std::string& out, std::string_view text)
{
    if (std::all_of(text.begin(), text.end(), isPlainHtml)) {
        out += text;
        return;
    }
    for (const char c : printableText(validUtf8(text))) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

std::string htmlEscaped(std::string_view text)
{
    std::string out;
    appendHtmlEscaped(out, text);
    return out;
}

void appendCsvCell(std::string& out, std::string_view cell)
{
    // The reader lets no control character through; should one come all the same, it is no
    // escape sequence for whoever views the file in a terminal.
    if (isPrintableAscii(cell)) {
        appendShown(out, cell);
    } else {
        appendShown(out, printableText(validUtf8(cell)));
    }
}

std::string gibFigure(const std::optional<std::uint64_t>& bytes)
{
    if (!bytes) {
        return {};
    }
    // Whole GiB and the rest apart, so that no size overflows on its way to tenths.
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    const std::uint64_t tenths = *bytes / gib * 10 + ((*bytes % gib) * 10 + gib / 2) / gib;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
}

std::string gibText(const std::optional<std::uint64_t>& bytes)
{
    return bytes ? gibFigure(bytes) + " GiB" : std::string();
}

std::string germanDetail(const CheckItem& item)
{
    const FindingDefinition& row = definitionOf(item.finding);
    if (row.value != FindingValue::gib || item.detail.empty()) {
        return item.detail;
    }
    return std::string(row.text) + gibText(item.value) + std::string(row.after);
}

std::string checkCell(const CheckItem& item)
{
    std::string cell = item.passed ? "OK" : "NO";
    if (!item.detail.empty()) {
        cell += " - ";
        cell += germanDetail(item);
    }
    return cell;
}

} // namespace quill::fleet
