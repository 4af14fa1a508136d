#include "platform/appsetup.h"
#include "shell/startup.h"
#include "store/clientfile.h"

int main(int argc, char* argv[]) {
    platform::Application app(argc, argv);
    platform::setUpApplication(app);
    if (!shell::startProgram(store::clientfile::defaultPath())) return 1;
    return app.exec();
}
