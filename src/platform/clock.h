#pragma once

#include <QDate>
#include <optional>

namespace platform {

// Today's date; tests fix it with setToday.
QDate today();
void setToday(std::optional<QDate> fixed);

}  // namespace platform
