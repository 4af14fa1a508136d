#include <QApplication>

#include "platform/appsetup.h"
#include "platform/forms.h"
#include "shell/mdiform1.h"
#include "shell/startup.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    if (!shell::clientFileReady()) return 1;
    platform::forms::get<MDIForm1>().show();
    return app.exec();
}
