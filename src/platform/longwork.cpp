#include "platform/longwork.h"

#include <QApplication>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "store/longwork.h"

namespace platform {

namespace {

// One work at a time: work started by an event handled while other work runs (a timer, a
// repaint's handler) waits here until the worker is done with the rows it walks; work that the
// work itself starts runs at once on its thread.
std::recursive_mutex& workLock() {
    static std::recursive_mutex lock;
    return lock;
}

void runBesideEventLoop(const store::LongWork& work, std::chrono::milliseconds patience) {
    static bool running = false;
    if (running || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        std::lock_guard turn(workLock());
        work();
        return;
    }
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done_running;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        {
            std::lock_guard turn(workLock());
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        }
        std::lock_guard lock(mutex);
        done = true;
        ended.notify_one();
    });
    auto finished = [&](std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex);
        return ended.wait_for(lock, wait, [&] { return done; });
    };
    if (!finished(patience)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        do {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        } while (!finished(std::chrono::milliseconds(20)));
        QApplication::restoreOverrideCursor();
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

void keepPaintingDuringLongWork(std::chrono::milliseconds patience) {
    store::setLongWorkRunner(
        [patience](const store::LongWork& work) { runBesideEventLoop(work, patience); });
}

}  // namespace platform
