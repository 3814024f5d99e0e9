// A strict reader of JSON documents for tests: what a script's JSON reader would accept, read
// into a tree. Throws std::runtime_error at the first fault.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace testing_support {

struct Json {
    using Object = std::map<std::string, Json>;
    using Array = std::vector<Json>;
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<Array>,
                 std::shared_ptr<Object>>
        value;

    bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    const std::string& Text() const { return std::get<std::string>(value); }
    double Number() const { return std::get<double>(value); }
    bool Bool() const { return std::get<bool>(value); }
    const Array& Items() const { return *std::get<std::shared_ptr<Array>>(value); }
    const Json& operator[](const std::string& key) const {
        const Object& object = *std::get<std::shared_ptr<Object>>(value);
        const auto found = object.find(key);
        if (found == object.end()) {
            throw std::runtime_error("no member " + key);
        }
        return found->second;
    }
};

class JsonReader {
  public:
    static Json Read(std::string_view text) {
        JsonReader reader(text);
        Json json = reader.Value();
        reader.Blanks();
        if (reader.at_ != text.size()) {
            reader.Fail("text after the document");
        }
        return json;
    }

  private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(what + " at " + std::to_string(at_));
    }
    void Blanks() {
        while (at_ < text_.size() &&
               std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
    }
    char Peek() {
        Blanks();
        if (at_ >= text_.size()) {
            Fail("unexpected end");
        }
        return text_[at_];
    }
    void Expect(char c) {
        if (Peek() != c) {
            Fail(std::string("expected ") + c);
        }
        ++at_;
    }
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) == word) {
            at_ += word.size();
            return true;
        }
        return false;
    }

    Json Value() {
        const char c = Peek();
        if (c == '{') {
            auto object = std::make_shared<Json::Object>();
            ++at_;
            if (Peek() != '}') {
                do {
                    if (Peek() != '"') {
                        Fail("expected a key");
                    }
                    std::string key = String();
                    Expect(':');
                    if (!object->emplace(key, Value()).second) {
                        Fail("duplicate key " + key);
                    }
                } while (Peek() == ',' && ++at_);
            }
            Expect('}');
            return {object};
        }
        if (c == '[') {
            auto array = std::make_shared<Json::Array>();
            ++at_;
            if (Peek() != ']') {
                do {
                    array->push_back(Value());
                } while (Peek() == ',' && ++at_);
            }
            Expect(']');
            return {array};
        }
        if (c == '"') {
            return {String()};
        }
        if (Word("true")) {
            return {true};
        }
        if (Word("false")) {
            return {false};
        }
        if (Word("null")) {
            return {nullptr};
        }
        const size_t start = at_;
        if (text_[at_] == '-') {
            ++at_;
        }
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
        }
        if (at_ == start || text_[at_ - 1] == '-') {
            Fail("expected a value");
        }
        return {std::stod(std::string(text_.substr(start, at_ - start)))};
    }

    std::string String() {
        ++at_;  // the opening quote
        std::string text;
        while (true) {
            if (at_ >= text_.size()) {
                Fail("unterminated string");
            }
            const char c = text_[at_++];
            if (c == '"') {
                return text;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in a string");
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            const char escaped = text_[at_++];
            const std::string_view simple = "\"\\/bfnrt";
            const std::string_view meant = "\"\\/\b\f\n\r\t";
            if (const size_t i = simple.find(escaped); i != std::string_view::npos) {
                text += meant[i];
            } else if (escaped == 'u') {
                const unsigned code = std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16);
                at_ += 4;
                if (code >= 0x80) {
                    Fail("only ASCII escapes are read here");
                }
                text += static_cast<char>(code);
            } else {
                Fail("bad escape");
            }
        }
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace testing_support
