#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// The store speaks UTF-8, the windows QString.
inline QString toQ(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string toStd(const QString& text) {
    return text.toStdString();
}

}  // namespace platform
