#include "tests/support/json_reader.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {
namespace {

class Parser {
  public:
    explicit Parser(const std::string& text) : text_(text) {}

    bool parseDocument(JsonValue* out) {
        if (!parseValue(out, 0)) {
            return false;
        }
        skipBlanks();
        return at_ == text_.size() || fail("text after the value");
    }
    std::string error() const { return error_; }

  private:
    bool fail(const char* what) {
        if (error_.empty()) {
            error_ = std::string(what) + " at byte " + std::to_string(at_);
        }
        return false;
    }

    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (text_.compare(at_, n, word) != 0) {
            return fail("unknown literal");
        }
        at_ += n;
        return true;
    }

    bool parseValue(JsonValue* out, int depth) {
        if (depth > 64) {
            return fail("nesting too deep");
        }
        skipBlanks();
        if (at_ >= text_.size()) {
            return fail("unexpected end");
        }
        char c = text_[at_];
        if (c == '{') {
            return parseObject(out, depth);
        }
        if (c == '[') {
            return parseArray(out, depth);
        }
        if (c == '"') {
            out->type = JsonValue::Type::String;
            return parseString(&out->text);
        }
        if (c == 't' || c == 'f') {
            out->type = JsonValue::Type::Bool;
            out->boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out->type = JsonValue::Type::Null;
            return literal("null");
        }
        return parseNumber(out);
    }

    bool parseNumber(JsonValue* out) {
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        double value = std::strtod(start, &end);
        if (end == start) {
            return fail("expected a value");
        }
        at_ += static_cast<size_t>(end - start);
        out->type = JsonValue::Type::Number;
        out->number = value;
        return true;
    }

    static void appendUtf8(std::string* out, uint32_t cp) {
        if (cp < 0x80) {
            out->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

    bool hex4(uint32_t* value) {
        if (at_ + 4 > text_.size()) {
            return fail("short \\u escape");
        }
        *value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[at_++];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) {
                return fail("bad \\u escape");
            }
            *value = *value * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    bool parseString(std::string* out) {
        ++at_; // opening quote
        out->clear();
        while (at_ < text_.size()) {
            char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (at_ >= text_.size()) {
                break;
            }
            char e = text_[at_++];
            switch (e) {
            case '"':
                out->push_back('"');
                break;
            case '\\':
                out->push_back('\\');
                break;
            case '/':
                out->push_back('/');
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!hex4(&cp)) {
                    return false;
                }
                if (cp >= 0xD800 && cp <= 0xDBFF && text_.compare(at_, 2, "\\u") == 0) {
                    at_ += 2;
                    uint32_t low = 0;
                    if (!hex4(&low)) {
                        return false;
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                return fail("bad escape");
            }
        }
        return fail("unterminated string");
    }

    bool parseArray(JsonValue* out, int depth) {
        ++at_;
        out->type = JsonValue::Type::Array;
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!parseValue(&item, depth + 1)) {
                return false;
            }
            out->items.push_back(std::move(item));
            skipBlanks();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            return fail("expected , or ]");
        }
    }

    bool parseObject(JsonValue* out, int depth) {
        ++at_;
        out->type = JsonValue::Type::Object;
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            skipBlanks();
            if (at_ >= text_.size() || text_[at_] != '"') {
                return fail("expected a member name");
            }
            std::string key;
            if (!parseString(&key)) {
                return false;
            }
            skipBlanks();
            if (at_ >= text_.size() || text_[at_] != ':') {
                return fail("expected :");
            }
            ++at_;
            JsonValue value;
            if (!parseValue(&value, depth + 1)) {
                return false;
            }
            out->members[key] = std::move(value);
            skipBlanks();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            return fail("expected , or }");
        }
    }

    const std::string& text_;
    size_t at_ = 0;
    std::string error_;
};

} // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue kNull;
    auto it = members.find(key);
    return it == members.end() ? kNull : it->second;
}

bool parseJson(const std::string& text, JsonValue* out, std::string* error) {
    Parser parser(text);
    *out = JsonValue();
    if (!parser.parseDocument(out)) {
        if (error != nullptr) {
            *error = parser.error();
        }
        return false;
    }
    return true;
}

bool readJsonFile(const std::string& path, JsonValue* out, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error != nullptr) {
            *error = "cannot open " + path;
        }
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    return parseJson(content.str(), out, error);
}

} // namespace testsupport
