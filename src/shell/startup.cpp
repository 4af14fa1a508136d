#include "shell/startup.h"

#include "exchange/legacy.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/qtext.h"
#include "platform/workspace.h"
#include "shell/mdiform1.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/postgres/postgres.h"

namespace shell {

using platform::Answer;
using platform::Buttons;
using platform::dialogs;
using platform::Icon;

namespace {

constexpr int kQuickTryMs = 300;  // a file that is free opens at once

void sayProgramEnds(const std::exception& error) {
    dialogs().message(platform::toQ(error.what()) + QStringLiteral("\n\n程式將結束。"), {},
                      Buttons::Ok, Icon::Critical);
}

// Opens the client file for the windows.
std::shared_ptr<store::ClientFile> openClientFile(const std::filesystem::path& path) {
    try {
        auto file = store::ClientFile::open(path, {kQuickTryMs, false});
        // The quick try was for the start only: later writes wait as long as ever.
        file->backend().setWaitLimit(store::OpenOptions{}.busyTimeoutMs);
        return file;
    } catch (const store::StoreError& e) {
        if (e.kind() != store::ErrorKind::Locked) throw;
        // Another program holds the file: say so while waiting for it, not 15 s of nothing.
        dialogs().busy(QStringLiteral("客戶資料檔 %1 正被其他程式使用，等它放開（最多 15 秒）⋯")
                           .arg(platform::toQ(path.string())));
        struct Idle {
            ~Idle() { dialogs().idle(); }
        } idle;
        return store::ClientFile::open(path);
    }
}

// The old program's file beside a missing client file: converted at the user's word. True when
// the client file is there afterwards.
bool convertedFromOldFile(const std::filesystem::path& path) {
    const auto old = exchange::legacyBeside(path);
    if (!old) return false;
    const QString question =
        QStringLiteral(
            "找不到客戶資料檔：\n%1\n\n同一個資料夾裡有舊程式的資料檔：\n%2\n\n"
            "要把它轉換成新的客戶資料檔嗎？（舊檔不會被更動）")
            .arg(platform::toQ(path.string()), platform::toQ(old->string()));
    if (dialogs().message(question, {}, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    try {
        const auto report = exchange::convertLegacy(*old, path, [](long done, long total) {
            dialogs().progress(QStringLiteral("轉換舊資料檔⋯"), done, total);
        });
        dialogs().message(platform::toQ(exchange::summary(report)), {}, Buttons::Ok,
                          report.complete() ? Icon::Information : Icon::Exclamation);
        return true;
    } catch (const exchange::ConvertError& e) {
        platform::showError(e);
        return false;
    }
}

}  // namespace

std::shared_ptr<store::ClientFile> clientFileReady(const std::filesystem::path& path) {
    try {
        return openClientFile(path);
    } catch (const store::StoreError& e) {
        if (e.kind() != store::ErrorKind::Missing) {
            sayProgramEnds(e);
            return nullptr;
        }
    }
    try {
        if (!convertedFromOldFile(path)) {
            const QString question =
                QStringLiteral("找不到客戶資料檔：\n%1\n\n要在這裡建立一個空的客戶資料檔嗎？")
                    .arg(platform::toQ(path.string()));
            if (dialogs().message(question, {}, Buttons::YesNo, Icon::Question) != Answer::Yes)
                return nullptr;
            store::clientfile::create(path);
        }
        return openClientFile(path);
    } catch (const store::StoreError& e) {
        sayProgramEnds(e);
        return nullptr;
    }
}

std::shared_ptr<store::ClientFile> serverReady(const std::string& conninfo) {
    auto connect = [&] {
        return std::make_shared<store::ClientFile>(store::postgres::connect(conninfo));
    };
    try {
        return connect();
    } catch (const store::StoreError& e) {
        if (e.kind() != store::ErrorKind::Missing) {
            sayProgramEnds(e);
            return nullptr;
        }
        const QString question =
            platform::toQ(e.what()) + QStringLiteral(
                                          "\n\n要在這個資料庫建立空的客戶資料表嗎？"
                                          "\n（要搬入現有的客戶資料檔，請按「否」，"
                                          "再用 velkard --server … --import 檔案）");
        if (dialogs().message(question, {}, Buttons::YesNo, Icon::Question) != Answer::Yes)
            return nullptr;
    }
    try {
        store::postgres::createTables(conninfo);
        return connect();
    } catch (const store::StoreError& e) {
        sayProgramEnds(e);
        return nullptr;
    }
}

bool startProgram(const ClientPlace& place) {
    // Nothing may escape before the event loop runs: whatever went wrong is said, and the
    // program ends cleanly instead of aborting.
    try {
        auto file = place.server.empty() ? clientFileReady(place.file) : serverReady(place.server);
        if (!file) return false;
        // The composition root: the frame owns what the windows work on and hands it to them.
        auto* frame = new MDIForm1(std::make_shared<platform::Workspace>(
            std::move(file), platform::dialogs(), &platform::today));
        platform::forms::adopt(typeid(MDIForm1), frame);
        frame->Form_Load();
        // Loading the browse list may have found the file damaged and ended the program.
        if (frame->unloading()) return false;
        frame->show();
        return true;
    } catch (const std::exception& e) {
        sayProgramEnds(e);
        return false;
    }
}

void endForDamagedFile(const std::exception& error) {
    sayProgramEnds(error);
    platform::forms::endProgram(false);
}

}  // namespace shell
