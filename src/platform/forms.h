#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <typeindex>

class QMdiArea;

namespace platform {

class Workspace;

// A window with one instance, created on first reference and destroyed when closed. The
// handlers keep the names the windows are known by.
class Form : public QWidget {
    Q_OBJECT
  public:
    explicit Form(QWidget* parent = nullptr) : QWidget(parent) {}

    // Runs once, right after the instance is created.
    virtual void Form_Load() {}
    // Runs when the window is closed, before it is destroyed.
    virtual void Form_Unload() {}
    // Asked before the close box or the end of the program closes the window: false keeps it.
    virtual bool Form_QueryUnload() { return true; }
    // Child windows live in the frame's MDI area; the others stand free.
    virtual bool isMdiChild() const { return false; }
    // A child window without a caption has no title bar either.
    virtual bool framelessChild() const { return false; }
    // A free-standing window that works on the frame's records stays above the frame.
    virtual bool staysAboveFrame() const { return false; }
    // The user's guide's chapter about this window, which F1 opens.
    virtual QString helpChapter() const { return {}; }
    // True from the moment the window is being closed.
    bool unloading() const { return property("platform_unloading").toBool(); }
    // What the window works on: the client file, the dialogs, the clock, the frame's roles; the
    // frame's, given to the window when it is opened. Throws std::logic_error before that.
    Workspace& workspace() const;
    // Shared: a window closing after the frame still has its records' client file.
    void setWorkspace(std::shared_ptr<Workspace> workspace) { workspace_ = std::move(workspace); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::shared_ptr<Workspace> workspace_;
};

namespace forms {

void setMdiArea(QMdiArea* area);
QMdiArea* mdiArea();
// The frame's workspace, which every window opened from now on is given; null lets it go.
void setWorkspace(std::shared_ptr<Workspace> workspace);

Form* find(std::type_index type);
void adopt(std::type_index type, Form* form);
// Sets the place in twips (a child window's relative to the MDI area; a free-standing window's
// outer frame, title bar included), brings a minimized or maximized window back to its normal
// state, shows and raises.
void placeForm(Form* form, int left, int top, int width, int height);
// Runs Form_Unload, then destroys the window; a later reference creates a new instance.
void unloadForm(Form* form);
// Ends the program: asks every window (false when one says no), then destroys them all without
// their unload handling and leaves the event loop.
bool endProgram(bool ask);
// Destroys every window without asking and without their unload handling; the program goes on
// (a test's next run, say).
void destroyAll();
// Closes every window with its unload handling (the frame's close box).
bool closeAll();

template <class F>
F& get() {
    if (Form* f = find(typeid(F))) return static_cast<F&>(*f);
    if constexpr (!std::is_default_constructible_v<F>) {
        throw std::logic_error("the window is opened by the program's start only");
    } else {
        auto* f = new F();
        adopt(typeid(F), f);
        f->Form_Load();
        return *f;
    }
}

template <class F>
bool loaded() {
    return find(typeid(F)) != nullptr;
}

template <class F>
void unload() {
    if (Form* f = find(typeid(F))) unloadForm(f);
}

// Closes the window as its close box would: it may refuse (false), and then stays open.
template <class F>
bool close() {
    Form* f = find(typeid(F));
    if (!f) return true;
    if (!f->Form_QueryUnload()) return false;
    unloadForm(f);
    return true;
}

// True while the program or the frame is closing: placing a window then does nothing.
bool ending();

template <class F>
void place(int left, int top, int width, int height) {
    if (ending()) return;
    placeForm(&get<F>(), left, top, width, height);
}

}  // namespace forms
}  // namespace platform
