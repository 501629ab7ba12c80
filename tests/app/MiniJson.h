#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kelmora::testing {

// Just enough JSON to read kelmora-fit's answer back: every value keeps its source text, so a
// test can look at how a number was written as well as at its value.
struct TJson {
    enum class TType { Null, Bool, Number, String, Array, Object };
    TType Type = TType::Null;
    bool Bool = false;
    double Number = 0.0;
    std::string Text;  // the number as written, or the string's content
    std::vector<TJson> Items;
    std::map<std::string, TJson> Members;

    const TJson& operator[](const std::string& key) const;
    const TJson& operator[](std::size_t index) const;
    bool IsNull() const { return Type == TType::Null; }
};

// Throws std::runtime_error on anything that is not a single well-formed JSON value.
TJson ParseJson(const std::string& text);

}  // namespace kelmora::testing
