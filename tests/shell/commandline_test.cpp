#include "shell/commandline.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tempdir.h"

namespace {

namespace fs = std::filesystem;

TEST(CommandLine, ConvertsAnOldFileOrSaysWhyNot) {
    const fs::path old = fs::path(VELKARD_FIXTURES) / "legacy" / "clients-jet3-big5.mdb";
    if (!fs::exists(old)) GTEST_SKIP() << "no fixture at " << old;
    testsupport::TempDir dir;
    const fs::path file = dir.path() / "VELKARD" / "velkard.db";
    const QString oldName = QString::fromStdString(old.string());
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
                 {{"--import", oldName, "--replace"}, 0, "另存為", 14, 2}};
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
    EXPECT_FALSE(shell::commandLineOnly({"velkard", "other.db"}));
    EXPECT_EQ(shell::clientFileArgument({"velkard", "other.db"}, file), "other.db");
    EXPECT_EQ(shell::clientFileArgument({"velkard"}, file), file);
}

}  // namespace
