#include "maintenance/form43.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <optional>

#include "platform/appsetup.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
#include "store/sqlite/bulk.h"

using platform::Buttons;
using platform::rectTwips;

namespace {

// A name as this system writes it: `~` is the home folder. Where there are no drive letters, a
// name with one or with backslashes (the prompt's own example) would become a file of that odd
// name in the current folder: nothing, and `refusal` says how such names are written here.
std::optional<std::filesystem::path> nativeName(const QString& typed, QString& refusal) {
    QString name = typed.trimmed();
#ifndef _WIN32
    const QRegularExpression windowsName(QStringLiteral("^[A-Za-z]:|\\\\"));
    if (windowsName.match(name).hasMatch()) {
        refusal = QStringLiteral("這台電腦的檔名不用磁碟代號，資料夾之間用「/」分開，例如：\r%1")
                      .arg(QDir::homePath() + QStringLiteral("/VELKARD/BACKUP.db"));
        return std::nullopt;
    }
#endif
    if (name == QStringLiteral("~") || name.startsWith(QStringLiteral("~/")))
        name = QDir::homePath() + name.mid(1);
    return platform::toStd(name);
}

}  // namespace

Form43::Form43() : Label1(new QLabel(QStringLiteral("      Do   you   backup   datafile"), this)) {
    setObjectName("Form43");
    setWindowTitle(QStringLiteral("檔案備份"));
    resize(platform::px(5850), platform::px(3735));
    Label1->setObjectName("Label1");
    Label1->setGeometry(rectTwips(1080, 720, 3855, 375));
    platform::setBackground(Label1, QColor(192, 192, 192));
    platform::setTextColor(Label1, Qt::blue);
    platform::fitText(Label1);
    const char* captions[2] = {"BACKUP", "END"};
    const int lefts[2] = {1680, 3360}, widths[2] = {1215, 1095};
    for (int i = 0; i < 2; ++i) {
        auto* b = platform::makeButton(this, QStringLiteral("COMMAND1(%1)").arg(i),
                                       QString::fromLatin1(captions[i]),
                                       rectTwips(lefts[i], 1800, widths[i], 375));
        connect(b, &QPushButton::clicked, this, [this, i] { COMMAND1_Click(i); });
        COMMAND1[static_cast<std::size_t>(i)] = b;
    }
    setTabOrder(COMMAND1[0], COMMAND1[1]);
}

void Form43::COMMAND1_Click(int index) {
    if (index == End) {
        platform::forms::unload<Form43>();
        return;
    }
    const QString name = workspace().dialogs().input(
        QStringLiteral("請輸入新的資料庫檔名\r例如 C:\\KORT\\DB\\BACKUP.MDB"),
        QStringLiteral("備份"));
    if (name.isEmpty()) return;
    backupTo(name);
}

int Form43::backupTo(const QString& name) {
    const std::optional<std::filesystem::path> live = workspace().file().path();
    QString refusal;
    const auto native = nativeName(name, refusal);
    if (!native) {
        workspace().dialogs().beep();
        workspace().dialogs().message(refusal, QStringLiteral("備份"), Buttons::Ok,
                                      platform::Icon::Exclamation);
        return -1;
    }
    // A name without a folder goes beside the client file, not wherever the program was started;
    // with the clients on a server, into the user's documents folder.
    std::filesystem::path target = *native;
    std::error_code ec;
    if (target.is_relative()) {
        const std::filesystem::path folder =
            live ? live->parent_path()
                 : std::filesystem::path(platform::toStd(
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
        std::filesystem::create_directories(folder, ec);
        target = folder / target;
    }
    if (live && store::bulk::sameFile(target, *live)) {
        workspace().dialogs().beep();
        workspace().dialogs().message(
            QStringLiteral("%1 就是目前使用中的客戶資料檔，不能當作備份檔。請換一個檔名。")
                .arg(platform::toQ(target.string())),
            QStringLiteral("備份"), Buttons::Ok, platform::Icon::Exclamation);
        return -1;
    }
    if (std::filesystem::exists(target, ec) &&
        workspace().dialogs().message(QStringLiteral("指定的檔案名稱已存在\r請重填"),
                                      QStringLiteral("備份"), Buttons::YesNo,
                                      platform::Icon::Question) != platform::Answer::Yes)
        return -1;
    try {
        // The earlier file is replaced only once the new copy is complete.
        workspace().file().backup(target);
    } catch (const std::exception& e) {
        platform::showError(e);
        return 0;
    }
    // Where it went, in full: a name without a folder was placed by the program.
    workspace().dialogs().message(
        QStringLiteral("檔案名稱已完成備份\r") +
            platform::toQ(std::filesystem::absolute(target, ec).lexically_normal().string()),
        platform::appTitle());
    return 0;
}
