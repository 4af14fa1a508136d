// Starts the program as its main does and says, on standard output, "first" when the browse
// list's grid has been painted for the first time and "whole" when it has been painted with the
// whole table read, with the peak resident memory so far (VmHWM, kB); then ends. The benchmark
// times the lines as they come.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>

#include "benchfiles.h"
#include "platform/appsetup.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "shell/form1.h"
#include "shell/startup.h"
#include "store/clientfile.h"

namespace {

void say(const std::string& what) {
    std::puts(what.c_str());
    std::fflush(stdout);
}

std::string peakKb() {
    return " " + std::to_string(static_cast<long>(bench::ownMemoryMb("VmHWM") * 1024)) + " kB";
}

class Paints : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // Said once this paint has finished.
            QTimer::singleShot(0, this, [this] {
                if (!first_) say("first");
                first_ = true;
                if (!platform::forms::get<Form1>().loadingWhole()) {
                    say("whole" + peakKb());
                    QCoreApplication::exit(0);
                }
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool first_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    Paints probe;
    QTimer::singleShot(0, [&probe] {
        platform::forms::get<Form1>().DataGridMENU->viewport()->installEventFilter(&probe);
    });
    if (!shell::startProgram({store::clientfile::defaultPath(), {}})) return 1;
    return app.exec();
}
