#include "shell/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <chrono>

#include "exchange/legacy.h"

namespace shell {

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("VELKARD 客戶資料管理。不加選項時開啟客戶資料檔與程式視窗。"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("import"),
                      QStringLiteral("把舊程式的資料檔（Jet .mdb）轉換成客戶資料檔，不開視窗。"),
                      QStringLiteral("OLD.mdb")});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("要開啟的客戶資料檔（預設為 ~/VELKARD/velkard.db）。"),
        QStringLiteral("[FILE]"));
    parser.addOption({QStringLiteral("replace"),
                      QStringLiteral("與 --import 一起用：客戶資料檔已存在時，先另存為 "
                                     "velkard.db.bak-YYYYMMDD-HHMMSS，再以轉換結果取代。")});
}

}  // namespace

std::filesystem::path clientFileArgument(const QStringList& arguments,
                                         const std::filesystem::path& fallback) {
    for (const QString& a : arguments.mid(1))
        if (!a.startsWith('-')) return a.toStdString();
    return fallback;
}

bool commandLineOnly(const QStringList& arguments) {
    // Qt's own options for windows take one dash (-platform, -style); every option of the
    // program's takes two, so an unknown one is answered here too.
    for (const QString& a : arguments.mid(1))
        if (a.startsWith("--") || a == "-h" || a == "-v") return true;
    return false;
}

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
    if (!parser.isSet("import")) {
        err << "--replace 只能與 --import 一起用。\n";
        return 2;
    }
    const std::filesystem::path old = parser.value("import").toStdString();
    const std::filesystem::path clientFile = clientFileArgument(
        QStringList{arguments.value(0)} + parser.positionalArguments(), defaultFile);
    std::optional<std::filesystem::path> keep;
    if (parser.isSet("replace")) {
        const std::time_t now =
            std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        keep = exchange::keptName(clientFile, *std::localtime(&now));
    }
    out << "把 " << old.string() << " 轉換成 " << clientFile.string() << "\n";
    try {
        long shown = -1;
        const auto report = exchange::convertLegacy(
            old, clientFile,
            [&](long done, long total) {
                const long percent = total ? 100 * done / total : 100;
                if (!terminal || percent == shown) return;
                shown = percent;
                out << "\r轉換中 " << done << " / " << total << " 筆 (" << percent << "%)"
                    << std::flush;
            },
            keep);
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
