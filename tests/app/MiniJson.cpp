#include "MiniJson.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace kelmora::testing {

namespace {

class TParser {
  public:
    explicit TParser(const std::string& text) : s_(text) {}

    TJson Document() {
        TJson v = Value();
        SkipSpace();
        if (pos_ != s_.size()) {
            Fail("trailing text");
        }
        return v;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(pos_));
    }
    void SkipSpace() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) {
            ++pos_;
        }
    }
    bool Eat(char ch) {
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ch) {
            ++pos_;
            return true;
        }
        return false;
    }
    void Expect(char ch) {
        if (!Eat(ch)) {
            Fail(std::string("expected ") + ch);
        }
    }
    bool Word(const char* w) {
        const std::string word(w);
        if (s_.compare(pos_, word.size(), word) == 0) {
            pos_ += word.size();
            return true;
        }
        return false;
    }
    std::string String() {
        Expect('"');
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            if (s_[pos_] == '\\') {
                ++pos_;
                if (pos_ >= s_.size()) {
                    Fail("bad escape");
                }
                const char e = s_[pos_];
                if (e == 'u') {
                    out += static_cast<char>(std::stoi(s_.substr(pos_ + 1, 4), nullptr, 16));
                    pos_ += 4;
                } else {
                    out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                }
            } else {
                out += s_[pos_];
            }
            ++pos_;
        }
        Expect('"');
        return out;
    }
    TJson Value() {
        SkipSpace();
        TJson v;
        if (pos_ >= s_.size()) {
            Fail("value expected");
        }
        const char ch = s_[pos_];
        if (ch == '{') {
            v.Type = TJson::TType::Object;
            ++pos_;
            if (!Eat('}')) {
                do {
                    SkipSpace();
                    const std::string key = String();
                    Expect(':');
                    v.Members[key] = Value();
                } while (Eat(','));
                Expect('}');
            }
        } else if (ch == '[') {
            v.Type = TJson::TType::Array;
            ++pos_;
            if (!Eat(']')) {
                do {
                    v.Items.push_back(Value());
                } while (Eat(','));
                Expect(']');
            }
        } else if (ch == '"') {
            v.Type = TJson::TType::String;
            v.Text = String();
        } else if (Word("null")) {
            v.Type = TJson::TType::Null;
        } else if (Word("true") || Word("false")) {
            v.Type = TJson::TType::Bool;
            v.Bool = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
        } else {
            const std::size_t start = pos_;
            while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) ||
                                        std::string("+-.eE").find(s_[pos_]) != std::string::npos)) {
                ++pos_;
            }
            if (start == pos_) {
                Fail("unexpected character");
            }
            v.Type = TJson::TType::Number;
            v.Text = s_.substr(start, pos_ - start);
            char* end = nullptr;
            v.Number = std::strtod(v.Text.c_str(), &end);
            if (end != v.Text.c_str() + v.Text.size()) {
                Fail("bad number " + v.Text);
            }
        }
        return v;
    }

    const std::string& s_;
    std::size_t pos_ = 0;
};

}  // namespace

const TJson& TJson::operator[](const std::string& key) const {
    const auto it = Members.find(key);
    if (Type != TType::Object || it == Members.end()) {
        throw std::runtime_error("JSON: no member " + key);
    }
    return it->second;
}

const TJson& TJson::operator[](std::size_t index) const {
    if (Type != TType::Array || index >= Items.size()) {
        throw std::runtime_error("JSON: no item " + std::to_string(index));
    }
    return Items[index];
}

TJson ParseJson(const std::string& text) {
    return TParser(text).Document();
}

}  // namespace kelmora::testing
