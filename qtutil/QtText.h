#pragma once

#include <QString>
#include <string>

namespace kelmora {

// The core's texts are UTF-8; this is where they become Qt's.
inline QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace kelmora
