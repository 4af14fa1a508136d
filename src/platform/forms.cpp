#include "platform/forms.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWindow>
#include <map>
#include <stdexcept>

#include "platform/twips.h"

namespace platform {
namespace forms {
namespace {

struct Registry {
    std::map<std::type_index, QPointer<Form>> forms;
    QPointer<QMdiArea> area;
    bool ending = false;
    std::shared_ptr<Workspace> workspace;
};

Registry& registry() {
    static Registry r;
    return r;
}

// The widget that carries the window's frame: the MDI sub-window, or the form itself.
QWidget* outer(Form* form) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget())) return sub;
    return form;
}

void forget(Form* form) {
    auto& forms = registry().forms;
    for (auto it = forms.begin(); it != forms.end(); ++it) {
        if (it->second == form) {
            forms.erase(it);
            return;
        }
    }
}

// Hidden at once, deleted once the event that closed it has finished with it.
void destroy(Form* form) {
    QWidget* w = outer(form);
    form->setProperty("platform_unloading", true);
    w->hide();
    w->deleteLater();
}

}  // namespace

void setMdiArea(QMdiArea* area) {
    registry().area = area;
}

bool ending() {
    return registry().ending;
}

void setWorkspace(std::shared_ptr<Workspace> workspace) {
    registry().workspace = std::move(workspace);
}

QMdiArea* mdiArea() {
    return registry().area;
}

Form* find(std::type_index type) {
    auto& forms = registry().forms;
    auto it = forms.find(type);
    if (it == forms.end()) return nullptr;
    if (!it->second) {  // destroyed with its parent
        forms.erase(it);
        return nullptr;
    }
    return it->second;
}

void adopt(std::type_index type, Form* form) {
    registry().forms[type] = form;
    if (registry().workspace) form->setWorkspace(registry().workspace);

    if (form->isMdiChild() && registry().area) {
        QMdiSubWindow* sub = registry().area->addSubWindow(form);
        sub->setObjectName(form->objectName() + QStringLiteral("_frame"));
        if (form->framelessChild()) sub->setWindowFlags(Qt::FramelessWindowHint);
        sub->hide();
    }
}

void placeForm(Form* form, int left, int top, int width, int height) {
    if (registry().ending || form->unloading()) return;
    QWidget* w = outer(form);
    if (w->isMinimized() || w->isMaximized()) w->showNormal();
    const QRect place = rectTwips(left, top, width, height);
    if (w->isWindow() && form->staysAboveFrame() && registry().area) {
        // A dialog-type window of the frame's own (not modal): only for such a window does Qt
        // tell the desktop that it belongs to the frame (WM_TRANSIENT_FOR), which keeps it
        // above the frame; an ordinary window's transient parent never reaches the desktop.
        QWidget* frameWindow = registry().area->window();
        if (w->parentWidget() != frameWindow)
            w->setParent(frameWindow, (w->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    }
    if (w->isWindow()) {
        // The place is the outer frame's: the title bar and borders come out of the size. Until
        // the window has a frame of its own, the frame's is the main window's.
        QMargins frame;
        if (QWindow* handle = w->windowHandle(); handle && w->isVisible())
            frame = handle->frameMargins();
        else if (QWidget* main = registry().area ? registry().area->window() : nullptr;
                 main && main->windowHandle())
            frame = main->windowHandle()->frameMargins();
        // The client area is what a window's geometry sets on every desktop.
        w->setGeometry(place.marginsRemoved(frame));
    } else {
        w->setGeometry(place);
    }
    form->show();
    w->show();
    w->raise();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
        registry().area->setActiveSubWindow(sub);
    else
        w->activateWindow();
}

void unloadForm(Form* form) {
    if (form->property("platform_unloading").toBool()) return;
    form->setProperty("platform_unloading", true);
    forget(form);
    form->Form_Unload();
    destroy(form);
}

bool endProgram(bool ask) {
    auto& r = registry();
    if (ask)
        for (auto& [type, form] : r.forms)
            if (form && !form->Form_QueryUnload()) return false;
    destroyAll();
    QCoreApplication::exit(0);
    return true;
}

void destroyAll() {
    auto& r = registry();
    r.ending = true;
    auto forms = r.forms;
    r.forms.clear();
    for (auto& [type, form] : forms)
        if (form) destroy(form);
    r.ending = false;
}

bool closeAll() {
    auto& r = registry();
    for (auto& [type, form] : r.forms)
        if (form && !form->Form_QueryUnload()) return false;
    r.ending = true;
    // Unload handling may refer to other windows again; those are closed in later rounds.
    for (int round = 0; round < 4 && !r.forms.empty(); ++round) {
        auto forms = r.forms;
        for (auto& [type, form] : forms)
            if (form) unloadForm(form);
    }
    r.ending = false;
    return true;
}

}  // namespace forms

Workspace& Form::workspace() const {
    if (!workspace_) throw std::logic_error("a window opened without the frame's workspace");
    return *workspace_;
}

void Form::closeEvent(QCloseEvent* event) {
    if (property("platform_unloading").toBool()) {
        event->accept();
        return;
    }
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    forms::unloadForm(this);
}

}  // namespace platform
