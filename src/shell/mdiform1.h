#pragma once

#include <functional>

#include <QMap>
#include <memory>

#include "platform/forms.h"
#include "store/recordset.h"

class QAction;
class QFrame;
class QMdiArea;
class QMenuBar;

// The program's frame: a multiple-document window with the main menu. It keeps the browse
// state that the browse list applies each time it is loaded.
class MDIForm1 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("starting"); }
    // The program's start builds the frame with the workspace its windows are handed.
    explicit MDIForm1(std::shared_ptr<platform::Workspace> workspace);

    // Browse state.
    qint16 FIELDVAR = 1;      // sort code 1 to 8
    bool FIRSTPAGE = false;   // position on the first record at the next load
    bool LASTPAGE = false;    // ... on the last record
    bool CHOICEPAGE = false;  // ... on page CHOICEPAGE1
    qint16 CHOICEPAGE1 = 0;

    QMdiArea* mdiArea() const { return area_; }
    QMenuBar* menuBar() const { return menuBar_; }
    // A menu item by its name (menu_..., mnu_...).
    QAction* item(const QString& name) const { return items_.value(name); }

    void Form_Load() override;

    void menu_ADD_PROCESS_Click();
    void menu_MOD_PROCESS_Click();
    void menu_PARTI_DATA_Click();
    void menu_DISP_SET_Click();
    void menu_SYNTHE_DATA_Click();
    void menu_BIRTHDAY_LIST_Click();
    void menu_ADDRESS_LABELS_Click();
    void menu_ENVELOPES_Click();
    void menu_VELKNO_REBUID_Click();
    void menu_FILE_BACKUP_Click();
    void menu_FILE_CLEAR_Click();
    void mnu_CHOICE_PAGE_Click();
    void menu_FILE_FIRST_PAGE_Click();
    void menu_FILE_LAST_PAGE_Click();
    void menu_SORT_Click(int code);
    void menu_END_SYSTEM_Click();
    void menu_FILE_IMPORT_Click();
    void menu_FILE_EXPORT_Click();
    // TOOLS: the everyday jobs beside the old menus.
    void menu_FIND_CLIENT_Click();
    void menu_DUPLICATES_Click();
    void menu_DATA_CHECK_Click();
    void menu_HISTORY_Click();
    void menu_HISTORY_PURGE_Click();
    // F5 and the notice's button: the clients read again, every window keeping its client.
    void reloadClients();
    // Shown when another desk or program changed the clients since they were read.
    QFrame* notice() const { return notice_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenu();
    QWidget* buildNotice();
    // Runs `change`, which closes and opens the list, behind a picture of the client area as it
    // stands: sorting a million clients takes a moment, and the old list stays on screen
    // meanwhile, then gives way to the new one in one paint.
    void behindPicture(const std::function<void()>& change);
    // Makes the client current in the editor, the full list or the browse list, whichever the
    // user works in; why not, when it cannot.
    QString showClient(const store::RecordSet& rows, store::Bookmark row);

    QMenuBar* menuBar_;
    QMdiArea* area_;
    QMap<QString, QAction*> items_;
    QFrame* notice_ = nullptr;
};

// The window by its role: the frame: menu bar and the area the child windows live in.
using MainFrame = MDIForm1;
