#include "guifixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

#include "platform/forms.h"
#include "platform/qtext.h"
#include "shell/mdiform1.h"
#include "shell/startup.h"
#include "store/clientfile.h"
#include "store/recordset.h"

namespace testsupport {

GuiFixture::GuiFixture() : dialogs_(&recordDialogs()) {}

GuiFixture::~GuiFixture() {
    platform::forms::destroyAll();
    flushDeletes();
    platform::forms::setWorkspace(nullptr);  // the client file goes with the last window
}

std::filesystem::path GuiFixture::clientFile() const {
    return home_.path() / "VELKARD" / "velkard.db";
}

Backend GuiFixture::backendOfRun() {
    return qEnvironmentVariable("VELKARD_TEST_BACKEND") == "postgres" ? Backend::Postgres
                                                                      : Backend::Sqlite;
}

store::ClientFile& GuiFixture::open() {
    if (std::filesystem::exists(clientFile())) place_.serve();
    opened_ = place_.open();
    return *opened_;
}

void GuiFixture::writeClients(const std::vector<std::vector<std::string>>& clients) {
    testsupport::writeClients(clientFile(), clients);
}

bool GuiFixture::start() {
    if (std::filesystem::exists(clientFile())) place_.serve();
    return shell::startProgram({clientFile(), place_.conninfo});
}

QString value(const store::RecordSet& rs, int field) {
    return platform::toQ(rs.value(field));
}

QStringList column(const store::RecordSet& rs, int field) {
    QStringList out;
    for (long i = 0; i < rs.recordCount(); ++i) out << platform::toQ(rs.valueAt(i, field));
    return out;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<std::pair<std::string, GuiTestFactory>>& guiTests() {
    static std::vector<std::pair<std::string, GuiTestFactory>> tests;
    return tests;
}

}  // namespace testsupport
