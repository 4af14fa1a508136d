#include "shell/startup.h"

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "store/clientfile.h"
#include "store/errors.h"

namespace shell {

using platform::Answer;
using platform::Buttons;
using platform::dialogs;
using platform::Icon;

bool clientFileReady() {
    const auto path = store::clientfile::defaultPath();
    try {
        store::clientfile::open(path);
        return true;
    } catch (const store::StoreError& e) {
        if (e.kind() != store::ErrorKind::Missing) {
            dialogs().message(platform::toQ(e.what()) + QStringLiteral("\n\n程式將結束。"), {},
                              Buttons::Ok, Icon::Critical);
            return false;
        }
    }
    const QString question =
        QStringLiteral("找不到客戶資料檔:\n%1\n\n要在這裡建立一個空的客戶資料檔嗎?")
            .arg(platform::toQ(path.string()));
    if (dialogs().message(question, {}, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    try {
        store::clientfile::create(path);
        return true;
    } catch (const store::StoreError& e) {
        dialogs().message(platform::toQ(e.what()) + QStringLiteral("\n\n程式將結束。"), {},
                          Buttons::Ok, Icon::Critical);
        return false;
    }
}

}  // namespace shell
