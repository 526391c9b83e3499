#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// Appends bytes as one JSON string: malformed UTF-8 becomes U+FFFD, quotes, backslashes and
// control characters are escaped; everything else, umlauts included, goes in as it is.
void appendJsonString(std::string& out, std::string_view bytes);

// Writes one compact JSON object straight into a string, members in the order given: a fleet's
// file is written machine by machine, and building a document tree for each first would cost
// more than reading the reports did.
class JsonObject {
  public:
    explicit JsonObject(std::string& out);
    JsonObject(const JsonObject&) = delete;
    JsonObject& operator=(const JsonObject&) = delete;
    ~JsonObject();

    void text(std::string_view key, std::string_view value);
    void number(std::string_view key, std::uint64_t value);
    void number(std::string_view key, int value);
    void number(std::string_view key, std::optional<std::uint64_t> value); // null without one
    void flag(std::string_view key, bool value);
    void null(std::string_view key);
    // Writes the key; the caller appends the value (an object or an array) to the string returned.
    std::string& member(std::string_view key);

  private:
    std::string& out_;
    bool first_ = true;
};

} // namespace quill
