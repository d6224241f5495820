#pragma once
// A small JSON reader for the expected-result files of the real packages:
// objects, arrays, strings (with \u escapes), integers, true, false and null.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // UTF-8
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    // A member, or a null value when there is none.
    const JsonValue& operator[](const std::string& key) const;
    bool has(const std::string& key) const { return members.count(key) != 0; }
};

// Parses `text`; on malformed input returns false and says where in `error`.
bool parseJson(const std::string& text, JsonValue* out, std::string* error);
bool readJsonFile(const std::string& path, JsonValue* out, std::string* error);

} // namespace testsupport
