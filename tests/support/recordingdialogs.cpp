#include "recordingdialogs.h"

namespace testsupport {

void RecordingDialogs::beep() {
    calls.push_back({DialogCall::Beep, {}, {}});
}

platform::Answer RecordingDialogs::message(const QString& text, const QString& title,
                                           platform::Buttons buttons, platform::Icon icon) {
    calls.push_back(
        {DialogCall::Message, text, title.isEmpty() ? platform::appTitle() : title, buttons, icon});
    if (!answers.empty()) {
        platform::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == platform::Buttons::Ok || buttons == platform::Buttons::OkCancel
               ? platform::Answer::Ok
               : platform::Answer::Yes;
}

QString RecordingDialogs::input(const QString& prompt, const QString& title, const QString&) {
    calls.push_back({DialogCall::Input, prompt, title.isEmpty() ? platform::appTitle() : title});
    if (inputs.empty()) return {};
    QString text = inputs.front();
    inputs.pop_front();
    return text;
}

void RecordingDialogs::sendTab() {
    calls.push_back({DialogCall::Tab, {}, {}});
    platform::sendTabToFocus();
}

QString RecordingDialogs::saveFileName(const QString& title, const QString& suggested,
                                       const QString&) {
    calls.push_back({DialogCall::SaveFile, suggested, title});
    if (savePaths.empty()) return {};
    QString path = savePaths.front();
    savePaths.pop_front();
    return path;
}

QString RecordingDialogs::openFileName(const QString& title, const QString&) {
    calls.push_back({DialogCall::OpenFile, {}, title});
    if (openPaths.empty()) return {};
    QString path = openPaths.front();
    openPaths.pop_front();
    return path;
}

bool RecordingDialogs::choosePrinter(QPrinter&) {
    calls.push_back({DialogCall::Print, {}, {}});
    return false;
}

void RecordingDialogs::busy(const QString& notice) {
    calls.push_back({DialogCall::Busy, notice, {}});
}

bool RecordingDialogs::progress(const QString& label, long done, long total, bool cancellable) {
    // The end of a run only: each thousand rows would fill the record.
    if (done >= total) calls.push_back({DialogCall::Progress, label, QString::number(total)});
    openBar_ = done >= total ? QString() : label;
    if (!cancellable || cancelAt < 0 || done < cancelAt) return true;
    cancelAt = -1;
    openBar_.clear();
    return false;
}

std::optional<std::vector<bool>> RecordingDialogs::chooseVersions(
    const QString& text, const std::vector<platform::FieldVersions>& fields) {
    calls.push_back({DialogCall::Versions, text, {}});
    versionsShown.push_back(fields);
    if (choices.empty()) return std::vector<bool>(fields.size(), true);
    auto choice = choices.front();
    choices.pop_front();
    return choice;
}

int RecordingDialogs::beeps() const {
    int n = 0;
    for (const auto& c : calls) n += c.kind == DialogCall::Beep;
    return n;
}

std::vector<DialogCall> RecordingDialogs::messages() const {
    std::vector<DialogCall> out;
    for (const auto& c : calls)
        if (c.kind == DialogCall::Message) out.push_back(c);
    return out;
}

RecordingDialogs& recordDialogs() {
    auto recorder = std::make_unique<RecordingDialogs>();
    RecordingDialogs& ref = *recorder;
    platform::setDialogs(std::move(recorder));
    return ref;
}

}  // namespace testsupport
