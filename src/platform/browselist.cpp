#include "platform/browselist.h"

#include <stdexcept>

namespace platform {

namespace {
std::function<BrowseListAccess&()>& named() {
    static std::function<BrowseListAccess&()> list;
    return list;
}
}  // namespace

void setBrowseList(std::function<BrowseListAccess&()> list) {
    named() = std::move(list);
}

BrowseListAccess& browseList() {
    if (!named()) throw std::logic_error("no browse list");
    return named()();
}

}  // namespace platform
