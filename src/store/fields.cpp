#include "store/fields.h"

namespace store {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

int fieldIndex(std::string_view name) {
    for (int i = 0; i < kFieldCount; ++i)
        if (sameName(kFieldNames[i], name)) return i;
    return -1;
}

}  // namespace store
