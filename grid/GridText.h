#pragma once

#include <string_view>

#include "util/TextUtil.h"

namespace kelmora {

// Callers that only walk pasted text (paste of a hundred thousand lines) use these visitors
// instead of building vectors of strings.

// Calls f(line) for every line of text; same rules as SplitLines.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    std::size_t start = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            f(text.substr(start, i - start));
            i += (ch == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n) {
        f(text.substr(start));
    }
}

// Calls f(cell) for every run of characters that are not blanks (util/TextUtil.h), left to
// right; f returns false to stop early.
template <class F>
void ForEachCell(std::string_view line, F&& f) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && IsBlankChar(line[i])) {
            ++i;
        }
        if (i == n) {
            return;
        }
        const std::size_t start = i;
        while (i < n && !IsBlankChar(line[i])) {
            ++i;
        }
        if (!f(line.substr(start, i - start))) {
            return;
        }
    }
}

}  // namespace kelmora
