#pragma once
// The edge between the system's Windows-1252 texts and Qt's strings.

#include <QString>
#include <string>
#include <string_view>

#include "text/cp1252.h"

namespace vintrel::forms {

inline QString qt(std::string_view cp1252) {
    return QString::fromStdString(text::cp1252ToUtf8(cp1252));
}
inline std::string cp(const QString& s) {
    return text::utf8ToCp1252(s.toStdString());
}

}  // namespace vintrel::forms
