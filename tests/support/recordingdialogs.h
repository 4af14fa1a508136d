#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

struct DialogCall {
    enum Kind {
        Beep,
        Message,
        Input,
        Tab,
        SaveFile,
        OpenFile,
        Print,
        Busy,
        Progress,
        Versions
    } kind;
    QString text;  // message text or input prompt
    QString title;
    platform::Buttons buttons = platform::Buttons::Ok;
    platform::Icon icon = platform::Icon::None;
};

// Keeps every call and answers from a script: queued answers first, then the first button
// (OK or Yes); queued input texts first, then "" (Cancel). Tab really moves the focus.
class RecordingDialogs : public platform::Dialogs {
  public:
    std::vector<DialogCall> calls;
    std::deque<platform::Answer> answers;
    std::deque<QString> inputs;
    std::deque<QString> savePaths;  // then "" (Cancel)
    std::deque<QString> openPaths;  // then "" (Cancel)

    void beep() override;
    platform::Answer message(const QString& text, const QString& title, platform::Buttons buttons,
                             platform::Icon icon) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    void sendTab() override;
    QString saveFileName(const QString& title, const QString& suggested,
                         const QString& filter) override;
    QString openFileName(const QString& title, const QString& filter) override;
    bool choosePrinter(QPrinter& printer) override;  // records and cancels
    void busy(const QString& notice) override;
    void idle() override {}
    // A cancellable run is cancelled at its first report of `cancelAt` or more done, once.
    long cancelAt = -1;
    // Queued choices between versions first (nothing: back to the editor), then keep all typed.
    std::deque<std::optional<std::vector<bool>>> choices;
    std::vector<std::vector<platform::FieldVersions>> versionsShown;
    bool progress(const QString& label, long done, long total, bool cancellable) override;
    std::optional<std::vector<bool>> chooseVersions(
        const QString& text, const std::vector<platform::FieldVersions>& fields) override;

    int beeps() const;
    // A bar shown whose run never said it ended: a real one would stay up, modal, over it all.
    const QString& openBar() const { return openBar_; }
    std::vector<DialogCall> messages() const;
    void clear() { calls.clear(); }

  private:
    QString openBar_;  // the label of a bar shown and not yet ended
};

// Puts a fresh recorder in place of the desktop's dialogs and returns it.
RecordingDialogs& recordDialogs();

}  // namespace testsupport
