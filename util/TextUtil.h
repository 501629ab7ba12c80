#pragma once

#include <string>
#include <string_view>

namespace kelmora {

// Blanks, tabs and every control character separate values in pasted text and count as empty
// in a cell; codes from 128 up are text (taken as unsigned bytes, so UTF-8 stays text).
inline bool IsBlankChar(char ch) {
    return static_cast<unsigned char>(ch) <= 32;
}

// Whether a text holds a visible character.
bool HasNonBlank(std::string_view s);

// A copy of text with every occurrence of the character oldCh replaced by newCh. Characters are
// UTF-8 sequences, so a separator such as a non-ASCII character works like any other.
std::string ReplaceChar(std::string_view text, std::string_view oldCh, std::string_view newCh);

// The first UTF-8 character of a text (empty for an empty text).
std::string_view FirstChar(std::string_view text);

// A text as a message quotes it: whole up to MessageExcerptChars characters, otherwise its first
// MessageExcerptChars characters and an ellipsis, so that a stray megabyte pasted into one cell
// cannot flood a message box or a terminal. Never cuts a UTF-8 sequence.
inline constexpr std::size_t MessageExcerptChars = 60;
std::string MessageExcerpt(std::string_view text);

// Whether a text is what a text editor writes: well-formed UTF-8 (no overlong forms, no
// surrogates) without control characters other than TAB, LF and CR. Binary files fail within
// their first bytes, whatever their length.
bool IsPlainText(std::string_view text);

}  // namespace kelmora
