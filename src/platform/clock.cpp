#include "platform/clock.h"

namespace platform {
namespace {
std::optional<QDate>& fixedDay() {
    static std::optional<QDate> day;
    return day;
}
}  // namespace

QDate today() {
    return fixedDay() ? *fixedDay() : QDate::currentDate();
}

void setToday(std::optional<QDate> fixed) {
    fixedDay() = fixed;
}

}  // namespace platform
