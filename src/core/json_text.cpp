#include "core/json_text.h"

#include "core/utf8_text.h"

#include <algorithm>
#include <charconv>

namespace quill {
namespace {

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void appendEscaped(std::string& out, std::string_view text)
{
    constexpr std::string_view hex = "0123456789abcdef";
    for (const char* at = text.begin(); at != text.end();) {
        // What needs no escape, nearly all of it, goes in as one run.
        const auto* const run = std::find_if(
            at, text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; });
        out.append(at, run);
        if (run == text.end()) {
            break;
        }
        const char c = *run;
        const auto byte = static_cast<unsigned char>(c);
        at = run + 1;
        out += '\\';
        switch (c) {
        case '"':
        case '\\':
            out += c;
            break;
        case '\b':
            out += 'b';
            break;
        case '\f':
            out += 'f';
            break;
        case '\n':
            out += 'n';
            break;
        case '\r':
            out += 'r';
            break;
        case '\t':
            out += 't';
            break;
        default:
            out += "u00";
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
}

template <typename Integer>
void appendInteger(std::string& out, Integer value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

} // namespace

void appendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    // Plain ASCII, nearly every value, goes in as one run; only what follows the first other
    // byte is checked as UTF-8 and escaped.
    const auto* const plainEnd = std::find_if(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte >= 0x80 || c == '"' || c == '\\';
    });
    out.append(bytes.begin(), plainEnd);
    const std::string_view rest = bytes.substr(static_cast<std::size_t>(plainEnd - bytes.begin()));
    if (isAscii(rest)) {
        appendEscaped(out, rest);
    } else {
        appendEscaped(out, validUtf8(rest));
    }
    out += '"';
}

JsonObject::JsonObject(std::string& out) : out_(out)
{
    out_ += '{';
}

JsonObject::~JsonObject()
{
    out_ += '}';
}

std::string& JsonObject::member(std::string_view key)
{
    if (!first_) {
        out_ += ',';
    }
    first_ = false;
    appendJsonString(out_, key);
    out_ += ':';
    return out_;
}

void JsonObject::text(std::string_view key, std::string_view value)
{
    appendJsonString(member(key), value);
}

void JsonObject::number(std::string_view key, std::uint64_t value)
{
    appendInteger(member(key), value);
}

void JsonObject::number(std::string_view key, int value)
{
    appendInteger(member(key), value);
}

void JsonObject::number(std::string_view key, std::optional<std::uint64_t> value)
{
    if (value) {
        appendInteger(member(key), *value);
    } else {
        null(key);
    }
}

void JsonObject::flag(std::string_view key, bool value)
{
    member(key) += value ? "true" : "false";
}

void JsonObject::null(std::string_view key)
{
    member(key) += "null";
}

} // namespace quill
