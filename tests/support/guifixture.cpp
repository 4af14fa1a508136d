#include "guifixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputMethodEvent>
#include <QTest>
#include <cstdlib>

#include "generator.h"
#include "platform/forms.h"
#include "shell/mdiform1.h"
#include "shell/startup.h"

namespace testsupport {

GuiFixture::GuiFixture() : dialogs_(&recordDialogs()) {
    const char* home = std::getenv("HOME");
    savedHome_ = home ? home : "";
    setenv("HOME", home_.path().c_str(), 1);
}

GuiFixture::~GuiFixture() {
    platform::forms::destroyAll();
    flushDeletes();
    setenv("HOME", savedHome_.c_str(), 1);
}

std::filesystem::path GuiFixture::clientFile() const {
    return home_.path() / "VELKARD" / "velkard.db";
}

void GuiFixture::writeClients(const std::vector<std::vector<std::string>>& clients) {
    testsupport::writeClients(clientFile(), clients);
}

void GuiFixture::writeSample(long count) {
    std::filesystem::create_directories(clientFile().parent_path());
    sample::writeClientFile(clientFile(), count);
}

bool GuiFixture::start() {
    if (!shell::clientFileReady()) return false;
    platform::forms::get<MDIForm1>().show();
    return true;
}

void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(widget, &commit);
        }
    }
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<std::pair<std::string, GuiTestFactory>>& guiTests() {
    static std::vector<std::pair<std::string, GuiTestFactory>> tests;
    return tests;
}

}  // namespace testsupport
