#include "shell/commandline.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QSettings>
#include <sstream>

#include "generator.h"
#include "places.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;

TEST(CommandLine, ConvertsAnOldFileOrSaysWhyNot) {
    const fs::path old = fs::path(VELKARD_FIXTURES) / "legacy" / "clients-jet3-big5.mdb";
    testsupport::TempDir dir;
    const fs::path file = dir.path() / "VELKARD" / "velkard.db";
    const QString oldName = QString::fromStdString(old.string());
    // Not files to convert or to replace: a pipe would be waited on for ever.
    const fs::path pipe = dir.file("pipe.mdb"), folder = dir.file("folder.db");
    mkfifo(pipe.c_str(), 0600);
    fs::create_directory(folder);
    const struct {
        QStringList arguments;
        int status;
        const char* said;  // in what the terminal shows
        int clients;       // in the client file afterwards; -1: none there
        int files;         // in its folder
    } cases[] = {{{"--help"}, 0, "--import <OLD.mdb>", -1, 0},
                 {{"--replace"}, 2, "--import", -1, 0},
                 {{"--bogus"}, 2, "bogus", -1, 0},
                 {{"--import", "missing.mdb"}, 1, "missing.mdb", -1, 0},
                 {{"--import", oldName}, 0, "VELKARD：14 筆", 14, 1},
                 {{"--import", oldName}, 1, "--replace", 14, 1},
                 {{"--import", oldName, "--replace"}, 0, "另存為", 14, 2},
                 {{"--import", oldName, "--replace"}, 0, "另存為", 14, 3},  // the same second
                 {{"--import", QString::fromStdString(pipe.string())}, 1, "不是一般的檔案", 14, 3},
                 {{"--import", oldName, "--replace", QString::fromStdString(folder.string())},
                  1,
                  "是資料夾",
                  14,
                  3}};
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const int status =
            shell::runCommandLine(QStringList{"velkard"} + c.arguments, file, out, err, false);
        const std::string shown = out.str() + err.str();
        EXPECT_EQ(status, c.status) << shown;
        EXPECT_NE(shown.find(c.said), std::string::npos) << shown;
        EXPECT_EQ(fs::exists(file)
                      ? std::stoi(testsupport::query(file, "SELECT count(*) FROM VELKARD")[0])
                      : -1,
                  c.clients)
            << shown;
        std::error_code ec;
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path(), ec), {}), c.files);
        EXPECT_EQ(shell::commandLineOnly(QStringList{"velkard"} + c.arguments), true);
    }
}

// The server is chosen once with --server and remembered (never a secret, in a file only its
// owner reads); a file named on the command line serves that start only; --no-server forgets it.
TEST(CommandLine, TheServerIsRememberedUntilForgotten) {
    testsupport::TempDir dir;
    QSettings settings(QString::fromStdString(dir.file("velkard.conf").string()),
                       QSettings::IniFormat);
    const fs::path file = "/office/velkard.db";
    const std::string server = "postgresql://office:secret@db/velkard?sslpassword=keyphrase";
    settings.setValue("server", "host=old sslpassword=old-key");  // as an earlier version left it
    const struct {
        QStringList arguments;
        bool windows;  // the program opens its windows
        std::string file;
        std::string server;  // chosen for this start
    } steps[] = {
        {{}, true, file, "host=old sslpassword=old-key"},  // serves once, then leaves the file
        {{}, true, file, "host='old'"},
        {{"--server", QString::fromStdString(server)}, true, file, server},
        {{}, true, file, "user='office' dbname='velkard' host='db'"},
        {{"other.db"}, true, "other.db", ""},
        {{"--server=host=db2"}, true, file, "host=db2"},
        {{"--no-server"}, true, file, ""},
        {{}, true, file, ""},
        {{"--server", "host=db", "--import", "velkard.db"}, false, file, "host=db"},
    };
    for (const auto& s : steps) {
        const QStringList arguments = QStringList{"velkard"} + s.arguments;
        EXPECT_EQ(!shell::commandLineOnly(arguments), s.windows)
            << arguments.join(' ').toStdString();
        const auto place = shell::chosenPlace(arguments, settings, file);
        EXPECT_EQ(place.file, s.file) << arguments.join(' ').toStdString();
        EXPECT_EQ(place.server, s.server) << arguments.join(' ').toStdString();
        if (s.windows) shell::rememberServer(arguments, settings);
    }
    settings.sync();
    const std::string kept = testsupport::readBytes(dir.file("velkard.conf"));
    for (const char* secret : {"secret", "keyphrase", "old-key"})
        EXPECT_EQ(kept.find(secret), std::string::npos) << kept;
    EXPECT_EQ(fs::status(dir.file("velkard.conf")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace

namespace {

// The old program's file goes to an empty server database in one step (converted on the way);
// a database that has client tables is never written.
TEST(CommandLine, CopiesAnOldFileIntoAnEmptyServerDatabaseOnly) {
    const fs::path old = fs::path(VELKARD_FIXTURES) / "legacy" / "clients-jet3-big5.mdb";
    if (testsupport::pgCluster().empty()) GTEST_SKIP() << "no PostgreSQL server programs";
    const QString db = QString::fromStdString(testsupport::newPgDatabase());
    const QStringList import{"velkard", "--server", db, "--import", QString::fromStdString(old)};
    const struct {
        QStringList arguments;
        int status;
        const char* said;
    } cases[] = {{import + QStringList{"--replace"}, 2, "--replace"},
                 {import, 0, "VELKARD：14 筆"},
                 {import, 1, "已經有資料表"}};
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(shell::runCommandLine(c.arguments, "unused.db", out, err, false), c.status);
        EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos)
            << out.str() << err.str();
        EXPECT_FALSE(fs::exists("unused.db"));
    }
    EXPECT_EQ(testsupport::pgQuery(db.toStdString(), "SELECT count(*) FROM velkard"),
              std::vector<std::string>{"14"});
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
        EXPECT_EQ(entry.path().string().find("velkard-tmp"), std::string::npos) << entry.path();
}

}  // namespace

namespace {

// A nightly job's export and backup, the same from the client file and from a server: what was
// written is said with its count, an existing file is kept unless --replace, a bad expression
// is named and nothing is written.
TEST(CommandLine, ExportsAndBacksUpForScripts) {
    testsupport::TempDir dir;
    const fs::path file = dir.file("velkard.db");
    sample::writeClientFile(file, 300);
    const std::string named =
        testsupport::query(file, "SELECT count(*) FROM VELKARD WHERE NAME LIKE '王%'")[0];
    std::vector<QStringList> places{{QString::fromStdString(file.string())}};
    if (!testsupport::pgCluster().empty()) {
        const QString db = QString::fromStdString(testsupport::newPgDatabase());
        std::ostringstream out, err;
        shell::runCommandLine({"velkard", "--server", db, "--import", places[0][0]}, "", out, err,
                              false);
        places.push_back({"--server", db});
    }
    for (const QStringList& place : places) {
        const auto out = [&](const char* name) { return QString::fromStdString(dir.file(name)); };
        const struct {
            QStringList arguments;
            int status;
            std::string said;
        } cases[] = {
            {{"--export", out("all.csv")}, 0, "已匯出 300 位客戶"},
            {{"--export", out("all.csv")}, 1, "已經存在"},
            {{"--export", out("all.csv"), "--replace", "--filter", "NAME LIKE '王%'", "--sort",
              "BIRTH DESC"},
             0,
             "已匯出 " + named + " 位客戶"},
            {{"--export", out("all.vcf")}, 0, "已匯出 300 位"},
            {{"--export", out("all.xlsx")}, 0, "已匯出 300 位"},
            {{"--export", out("bad.csv"), "--filter", "NAME ="}, 1, "--filter 「NAME =」第 7"},
            {{"--export", out("bad.txt")}, 1, "副檔名"},
            {{"--backup", out("backup.db")}, 0, "已備份 300 位客戶"},
            {{"--backup", out("backup.db")}, 1, "已經存在"},
            {{"--backup", out("bad.db"), "--sort", "NAME"}, 2, "只能與 --export"},
        };
        for (const auto& c : cases) {
            std::ostringstream out, err;
            const QStringList arguments = QStringList{"velkard"} + c.arguments + place;
            EXPECT_EQ(shell::runCommandLine(arguments, "unused.db", out, err, false), c.status);
            EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos)
                << out.str() << err.str();
            EXPECT_TRUE(shell::commandLineOnly(arguments));
            for (const char* name : {"bad.csv", "bad.txt", "bad.db"})
                EXPECT_FALSE(fs::exists(dir.file(name))) << name;
        }
        EXPECT_EQ(testsupport::query(dir.file("backup.db"), "SELECT count(*) FROM VELKARD")[0],
                  "300");
        for (const char* name : {"all.csv", "all.vcf", "all.xlsx", "backup.db"})
            fs::remove(dir.file(name));
    }
}

}  // namespace
