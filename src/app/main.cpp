#include "platform/appsetup.h"
#include "shell/startup.h"

int main(int argc, char* argv[]) {
    platform::Application app(argc, argv);
    platform::setUpApplication(app);
    if (!shell::startProgram()) return 1;
    return app.exec();
}
