#pragma once

#include <algorithm>
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

// Calls f(cell) for every cell of a pasted line, left to right; f returns false to stop early.
// A line with a TAB comes from a spreadsheet: its cells lie between TABs, blanks around them
// trimmed, and two TABs in a row hold an empty cell, so a column left empty keeps its place
// instead of pulling the next one into it. A line without a TAB was typed or came from a text
// file: cells are the runs of characters that are not blanks (util/TextUtil.h), never empty.
template <class F>
void ForEachCell(std::string_view line, F&& f) {
    const std::size_t n = line.size();
    if (line.find('\t') != std::string_view::npos) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = std::min(line.find('\t', start), n);
            std::size_t first = start;
            std::size_t last = end;
            while (first < last && IsBlankChar(line[first])) {
                ++first;
            }
            while (last > first && IsBlankChar(line[last - 1])) {
                --last;
            }
            if (!f(line.substr(first, last - first)) || end == n) {
                return;
            }
            start = end + 1;
        }
    }
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
