#pragma once

#include <QObject>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "places.h"
#include "recordingdialogs.h"
#include "tempdir.h"

namespace store {
class ClientFile;
class RecordSet;
}  // namespace store

namespace testsupport {

// One program run in a test: its own folder holding its own client file, recording dialogs, and
// every window closed at the end. With VELKARD_TEST_BACKEND=postgres the program runs on a
// server database instead, made from the client file when the program starts.
class GuiFixture {
  public:
    GuiFixture();
    ~GuiFixture();

    std::filesystem::path clientFile() const;
    // A client file holding these clients (NO, NAME, ... in field order).
    void writeClients(const std::vector<std::vector<std::string>>& clients);
    // What the program's main does: opens the client file, then the frame. False when the
    // program would end.
    bool start();
    // Only the first of those: the client file open for data controls, no window.
    store::ClientFile& open();
    // Both: a client file holding these clients, then the program.
    bool start(const std::vector<std::vector<std::string>>& clients) {
        writeClients(clients);
        return start();
    }

    RecordingDialogs& dialogs() { return *dialogs_; }

    // SQL run as another program would, wherever the clients are (rowid names the row address).
    void exec(const std::string& sql) { place_.exec(sql); }
    std::vector<std::string> query(const std::string& sql) const { return place_.query(sql); }
    // The clients through a connection of their own, read afresh.
    std::shared_ptr<store::ClientFile> openAgain() const { return place_.open(); }

  private:
    static Backend backendOfRun();

    TempDir home_;
    RecordingDialogs* dialogs_;
    Place place_{backendOfRun(), clientFile()};
    std::shared_ptr<store::ClientFile> opened_;
};

// Processes pending deletions, so that closed windows are really gone.
void flushDeletes();

// The current record's field, and one field of every record in the record set's order.
QString value(const store::RecordSet& rs, int field);
QStringList column(const store::RecordSet& rs, int field);

// Test classes register themselves; the runner runs the one named on its command line.
using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<std::pair<std::string, GuiTestFactory>>& guiTests();

}  // namespace testsupport

#define VELKARD_GUI_TEST(Class)                                             \
    static const bool registered_##Class =                                  \
        (testsupport::guiTests().push_back(                                 \
             {#Class, [] { return std::unique_ptr<QObject>(new Class); }}), \
         true);
