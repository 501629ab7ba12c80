#include "util/TextUtil.h"

#include <algorithm>

namespace kelmora {

bool HasNonBlank(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char ch) { return !IsBlankChar(ch); });
}

std::string ReplaceChar(std::string_view text, std::string_view oldCh, std::string_view newCh) {
    std::string out;
    out.reserve(text.size());
    if (oldCh.empty()) {
        return std::string(text);
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t hit = text.find(oldCh, pos);
        if (hit == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, hit - pos));
        out.append(newCh);
        pos = hit + oldCh.size();
    }
    return out;
}

std::string_view FirstChar(std::string_view text) {
    if (text.empty()) {
        return text;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t len = 1;
    if (lead >= 0xF0) {
        len = 4;
    } else if (lead >= 0xE0) {
        len = 3;
    } else if (lead >= 0xC0) {
        len = 2;
    }
    return text.substr(0, std::min(len, text.size()));
}

std::string MessageExcerpt(std::string_view text) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsChar = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsChar && ++chars > MessageExcerptChars) {
            return std::string(text.substr(0, i)) + "\u2026";
        }
    }
    return std::string(text);
}

}  // namespace kelmora
