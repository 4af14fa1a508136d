// Starts the program as its main does and ends right after the browse list's grid has been
// painted for the first time; the benchmark times it from process start to exit.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "platform/appsetup.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/startup.h"
#include "store/clientfile.h"

namespace {

class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Quit once this paint has finished.
            QTimer::singleShot(0, [] {
                std::puts("painted");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    if (!shell::clientFileReady(store::clientfile::defaultPath())) return 1;
    MDIForm1& frame = platform::forms::get<MDIForm1>();
    FirstPaint probe;
    platform::forms::get<Form1>().DataGridMENU->viewport()->installEventFilter(&probe);
    frame.show();
    return app.exec();
}
