#include "shell/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <chrono>

#include "exchange/legacy.h"
#include "shell/scriptjobs.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/postgres/postgres.h"
#include "store/sqlite/bulk.h"

namespace shell {

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("VELKARD 客戶資料管理。不加選項時開啟客戶資料檔與程式視窗。"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("import"),
                      QStringLiteral("把舊程式的資料檔（Jet .mdb）轉換成客戶資料檔，不開視窗。"
                                     "與 --server 一起用：把客戶資料檔（或舊程式的資料檔）"
                                     "複製到伺服器上空的資料庫。"),
                      QStringLiteral("OLD.mdb")});
    parser.addOption({QStringLiteral("server"),
                      QStringLiteral("客戶資料放在 PostgreSQL 資料庫伺服器上（例如 "
                                     "postgresql://user@host/velkard）。會記住，下次不必再給；"
                                     "密碼請放在 ~/.pgpass，不會被記住。"),
                      QStringLiteral("CONN")});
    parser.addOption(
        {QStringLiteral("no-server"), QStringLiteral("忘記記住的伺服器，改用客戶資料檔。")});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("要開啟的客戶資料檔（預設為 ~/VELKARD/velkard.db）。"),
        QStringLiteral("[FILE]"));
    parser.addOption({QStringLiteral("replace"),
                      QStringLiteral("與 --import 一起用：客戶資料檔已存在時，先另存為 "
                                     "velkard.db.bak-YYYYMMDD-HHMMSS，再以轉換結果取代。"
                                     "與 --export 或 --backup 一起用：OUT 已存在時取代它。")});
    parser.addOption({QStringLiteral("export"),
                      QStringLiteral("把客戶資料（FILE 或 --server 的）寫成 OUT，不開視窗；"
                                     "依副檔名寫成 .csv、.vcf（vCard）或 .xlsx（Excel 活頁簿）。"),
                      QStringLiteral("OUT")});
    parser.addOption({QStringLiteral("filter"),
                      QStringLiteral("與 --export 一起用：只寫符合條件的客戶，條件的寫法與"
                                     "「顯示設定」相同，例如 \"COMPANY LIKE '台%'\"。"),
                      QStringLiteral("EXPR")});
    parser.addOption({QStringLiteral("sort"),
                      QStringLiteral("與 --export 一起用：依欄位排序，例如 'NAME ASC' 或 "
                                     "'BIRTH DESC'。"),
                      QStringLiteral("FIELD [ASC|DESC]")});
    parser.addOption({QStringLiteral("backup"),
                      QStringLiteral("把客戶資料（FILE 或 --server 的）備份成 OUT，一個完整的"
                                     "客戶資料檔，與「檔案備份」相同，不開視窗。"),
                      QStringLiteral("OUT")});
}

}  // namespace

constexpr auto kServerKey = "server";

namespace {

// The settings are written now and readable by their owner only: they name the office's server.
void writePrivately(QSettings& settings) {
    settings.sync();
    QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace

bool commandLineOnly(const QStringList& arguments) {
    // Qt's own options for windows take one dash (-platform, -style); every option of the
    // program's takes two, so an unknown one is answered here too.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--server") {
            ++i;  // its value
            continue;
        }
        if (a.startsWith("--server=") || a == "--no-server") continue;
        if (a.startsWith("--") || a == "-h" || a == "-v") return true;
    }
    return false;
}

ClientPlace chosenPlace(const QStringList& arguments, QSettings& settings,
                        const std::filesystem::path& defaultFile) {
    QCommandLineParser parser;
    describe(parser);
    parser.parse(arguments);  // Qt's own options are out by now; others were answered before
    const QStringList files = parser.positionalArguments();
    ClientPlace place{files.isEmpty() ? defaultFile : std::filesystem::path(files[0].toStdString()),
                      {}};
    if (parser.isSet("no-server")) {
        settings.remove(kServerKey);
        writePrivately(settings);
    } else if (parser.isSet("server")) {
        place.server = parser.value("server").toStdString();
    } else if (files.isEmpty()) {
        place.server = settings.value(kServerKey).toString().toStdString();
        // An earlier version kept some secrets (sslpassword): they serve this start, and leave
        // the settings now.
        try {
            const std::string kept = store::postgres::withoutPassword(place.server);
            if (!place.server.empty() && kept != place.server) {
                settings.setValue(kServerKey, QString::fromStdString(kept));
                writePrivately(settings);
            }
        } catch (const store::StoreError&) {
            // not a connection text libpq reads: the start on it says so
        }
    }
    return place;
}

void rememberServer(const QStringList& arguments, QSettings& settings) {
    QCommandLineParser parser;
    describe(parser);
    parser.parse(arguments);
    if (!parser.isSet("server") || parser.isSet("no-server")) return;
    settings.setValue(kServerKey, QString::fromStdString(store::postgres::withoutPassword(
                                      parser.value("server").toStdString())));
    writePrivately(settings);
}

namespace {

// Copies a client file, or an old program's file converted on the way, into an empty server
// database; gives the number of clients copied.
long importToServer(const std::string& server, const std::filesystem::path& from, std::ostream& out,
                    const store::bulk::Progress& progress) {
    out << "把 " << from.string() << " 複製到" << store::postgres::describe(server) << "\n";
    if (!exchange::isJetFile(from)) return store::postgres::importFile(server, from, progress);
    const auto converted =
        store::bulk::tempFor(std::filesystem::temp_directory_path() / "velkard.db");
    struct Remove {
        std::filesystem::path file;
        ~Remove() { store::bulk::removeWithJournal(file); }
    } remove{converted};
    out << exchange::summary(exchange::convertLegacy(from, converted, {})) << "\n";
    return store::postgres::importFile(server, converted, progress);
}

// --export or --backup: one of them, on the client file, FILE or the server.
int runJob(const QCommandLineParser& parser, const std::filesystem::path& defaultFile,
           std::ostream& out, std::ostream& err) {
    const bool exporting = parser.isSet("export");
    if (exporting == parser.isSet("backup") || parser.isSet("import") ||
        (!exporting && (parser.isSet("filter") || parser.isSet("sort")))) {
        err << "--export 與 --backup 一次只能用一個，也不能與 --import 一起用；"
               "--filter 與 --sort 只能與 --export 一起用。\n";
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    const std::filesystem::path file =
        files.isEmpty() ? defaultFile : std::filesystem::path(files[0].toStdString());
    const std::string server = parser.value("server").toStdString();
    const std::filesystem::path target =
        parser.value(exporting ? "export" : "backup").toStdString();
    try {
        const auto clients = openForJob(file, server);
        const long count =
            exporting ? exportClients(*clients,
                                      {target, parser.value("filter").toStdString(),
                                       parser.value("sort").toStdString(), parser.isSet("replace")})
                      : backupClients(*clients, target, parser.isSet("replace"));
        out << (exporting ? "已匯出 " : "已備份 ") << count << " 位客戶到 "
            << std::filesystem::absolute(target).string() << "（來源：" << clients->where()
            << "）\n";
        return 0;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

}  // namespace

int runCommandLine(const QStringList& arguments, const std::filesystem::path& defaultFile,
                   std::ostream& out, std::ostream& err, bool terminal) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        err << parser.errorText().toStdString() << "\n" << parser.helpText().toStdString();
        return 2;
    }
    if (parser.isSet("help")) {
        out << parser.helpText().toStdString();
        return 0;
    }
    if (parser.isSet("version")) {
        out << "VELKARD " << QCoreApplication::applicationVersion().toStdString() << "\n";
        return 0;
    }
    if (parser.isSet("export") || parser.isSet("backup"))
        return runJob(parser, defaultFile, out, err);
    if (!parser.isSet("import") || (parser.isSet("replace") && parser.isSet("server"))) {
        err << "--replace 只能與 --import 一起用，而且不能用於伺服器（只會複製到空的資料庫）。\n";
        return 2;
    }
    const std::filesystem::path old = parser.value("import").toStdString();
    const auto show = [&, shown = -1L](long done, long total) mutable {
        const long percent = total ? 100 * done / total : 100;
        if (!terminal || percent == shown) return;
        shown = percent;
        out << "\r複製中 " << done << " / " << total << " 筆 (" << percent << "%)" << std::flush;
    };
    if (parser.isSet("server")) {
        try {
            const long copied =
                importToServer(parser.value("server").toStdString(), old, out, show);
            if (terminal) out << "\n";
            out << "完成：" << copied << " 位客戶。\n";
            return 0;
        } catch (const std::exception& e) {
            if (terminal) out << "\n";
            err << e.what() << "\n";
            return 1;
        }
    }
    const QStringList files = parser.positionalArguments();
    const std::filesystem::path clientFile =
        files.isEmpty() ? defaultFile : std::filesystem::path(files[0].toStdString());
    std::optional<std::filesystem::path> keep;
    if (parser.isSet("replace")) {
        const std::time_t now =
            std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        keep = exchange::keptName(clientFile, *std::localtime(&now));
    }
    out << "把 " << old.string() << " 轉換成 " << clientFile.string() << "\n";
    try {
        const auto report = exchange::convertLegacy(old, clientFile, show, keep);
        if (terminal) out << "\n";
        out << exchange::summary(report) << "\n";
        if (keep && std::filesystem::exists(*keep))
            out << "原來的客戶資料檔另存為 " << keep->string() << "\n";
        return 0;
    } catch (const std::exception& e) {
        if (terminal) out << "\n";
        err << e.what() << "\n";
        return 1;
    }
}

}  // namespace shell
