#pragma once

#include <QString>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class QProgressDialog;
class QWidget;

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Exclamation, Question, Critical };
enum class Answer { Ok, Cancel, Yes, No };

// One field of a client in three versions: as this desk read it, as another desk stored it since,
// as this desk typed it.
struct FieldVersions {
    QString field;
    QString read, stored, typed;
};

// The program's title, used where a message names none.
inline QString appTitle() {
    return QStringLiteral("VELKARD");
}

// Everything a window asks of the user or the desktop outside its own controls. Windows call
// `dialogs()`; tests swap in a recording implementation that answers from a script.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void beep() = 0;
    // Modal; an empty title means the program's title.
    virtual Answer message(const QString& text, const QString& title = {},
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // Modal; "" on Cancel.
    virtual QString input(const QString& prompt, const QString& title = {},
                          const QString& defaultText = {}) = 0;
    // Moves the focus to the next control in tab order, as the Tab key would.
    virtual void sendTab() = 0;
    // The desktop's file dialog for a file to write; "" on Cancel.
    virtual QString saveFileName(const QString& title, const QString& suggested,
                                 const QString& filter) = 0;
    // The desktop's file dialog for an existing file to read; "" on Cancel.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    // The desktop's print dialog; false on Cancel.
    virtual bool choosePrinter(QPrinter& printer) = 0;
    // A notice and the busy cursor while the program waits for something outside it (a file
    // another program holds), until `idle()`.
    virtual void busy(const QString& notice) = 0;
    virtual void idle() = 0;
    // A progress bar for long work the user waits for (converting a file): `done` of `total`;
    // it closes when `done` reaches `total`. A `cancellable` one has a Cancel button: false once
    // it was pressed (the bar is closed then).
    virtual bool progress(const QString& label, long done, long total,
                          bool cancellable = false) = 0;
    // The side-by-side choice after a save refused because another desk changed the same fields:
    // for each field, true keeps what was typed here, false takes what is stored; nothing when
    // the user goes back to the editor instead.
    virtual std::optional<std::vector<bool>> chooseVersions(
        const QString& text, const std::vector<FieldVersions>& fields) = 0;
};

Dialogs& dialogs();
void setDialogs(std::unique_ptr<Dialogs> replacement);

// One beep and the message of a failure (the file, the engine, an expression), for the user.
void showError(const std::exception& error);

// The Tab keystroke delivered to the widget with the focus.
void sendTabToFocus();

// The desktop's own message boxes, input box and beep.
class QtDialogs : public Dialogs {
  public:
    void beep() override;
    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    void sendTab() override { sendTabToFocus(); }
    QString saveFileName(const QString& title, const QString& suggested,
                         const QString& filter) override;
    QString openFileName(const QString& title, const QString& filter) override;
    bool choosePrinter(QPrinter& printer) override;
    void busy(const QString& notice) override;
    void idle() override;
    bool progress(const QString& label, long done, long total, bool cancellable) override;
    std::optional<std::vector<bool>> chooseVersions(
        const QString& text, const std::vector<FieldVersions>& fields) override;

  private:
    std::unique_ptr<QWidget> notice_;
    std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace platform
