#pragma once
// The string table's texts as Qt strings.

#include <QString>
#include <string>

#include "support/strings.h"

namespace tundrel::app {

inline QString UiText(StringId id) {
    const std::string_view text = Text(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename... Args>
QString UiFormatted(StringId id, Args... args) {
    return QString::fromStdString(Formatted(id, args...));
}

inline QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString FromUtf16(const char16_t* text) { return text == nullptr ? QString() : QString::fromUtf16(text); }

// Dialog texts break lines with "\r\n"; Qt's labels take "\n".
inline QString DialogText(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace tundrel::app
