#include "store/longwork.h"

namespace store {

namespace {
LongWorkRunner& runner() {
    static LongWorkRunner r;
    return r;
}
}  // namespace

void setLongWorkRunner(LongWorkRunner r) {
    runner() = std::move(r);
}

void runLong(const LongWork& work) {
    if (runner())
        runner()(work);
    else
        work();
}

}  // namespace store
