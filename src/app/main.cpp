#include <QApplication>
#include <QMessageBox>

#include "shell/mdiform1.h"
#include "store/clientfile.h"
#include "store/errors.h"

namespace {

// Makes sure the client file can be used before any window opens; false ends the program.
bool clientFileReady() {
    const auto path = store::clientfile::defaultPath();
    const QString shown = QString::fromStdString(path.string());
    for (;;) {
        try {
            store::clientfile::open(path);
            return true;
        } catch (const store::StoreError& e) {
            if (e.kind() != store::ErrorKind::Missing) {
                QMessageBox::critical(nullptr, "VELKARD", QString::fromUtf8(e.what()));
                return false;
            }
            auto answer = QMessageBox::question(
                nullptr, "VELKARD",
                QStringLiteral("找不到客戶資料檔 %1。\n要在這裡建立一個空的客戶資料檔嗎?")
                    .arg(shown));
            if (answer != QMessageBox::Yes) return false;
            try {
                store::clientfile::create(path);
            } catch (const store::StoreError& created) {
                QMessageBox::critical(nullptr, "VELKARD", QString::fromUtf8(created.what()));
                return false;
            }
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (!clientFileReady()) return 1;
    MDIForm1 frame;
    frame.show();
    return app.exec();
}
