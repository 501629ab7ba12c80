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

bool IsPlainText(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xC0) == 0x80;
    };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            if ((lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') || lead == 0x7F) {
                return false;
            }
            ++i;
            continue;
        }
        // The range of the second byte excludes overlong forms, surrogates and codes past
        // U+10FFFF; the bytes after it are plain continuations.
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + 1 >= text.size() || byte(i + 1) < low || byte(i + 1) > high) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (!continuation(i + k)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

}  // namespace kelmora
