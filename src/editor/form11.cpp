#include "editor/form11.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "editor/form112.h"
#include "editor/hints.h"
#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/keys.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "query/form111.h"
#include "store/checks.h"
#include "store/dates.h"
#include "store/errors.h"
#include "store/recordset.h"

using platform::Buttons;
using platform::Icon;
using platform::ImeMode;
using platform::rectTwips;

namespace {

const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
constexpr int kTypedDateBytes = 10;  // 1999/12/31

const char* const kCaptions[8] = {"ADD",    "DELETE", "SAVE",    "CANCEL",
                                  "CONDIT", "QUICK",  "PRINTER", "END"};
const char* const kFixedLists[3][4] = {{"M", "F"}, {"A", "B", "O", "AB"}, {"Y", "N"}};

}  // namespace

class Form11::Prompts : public editor::EditorPrompts {
  public:
    explicit Prompts(Form11& editor) : editor_(editor) {}
    Leave askSaveBeforeLeaving() override {
        switch (dialogs().message(QStringLiteral("資料尚未儲存，是否儲存？"), {},
                                  Buttons::YesNoCancel, Icon::Question)) {
            case platform::Answer::Yes:
                return Leave::Save;
            case platform::Answer::No:
                return Leave::Discard;
            default:
                return Leave::Stay;
        }
    }
    bool confirmDelete() override {
        return dialogs().message(QStringLiteral("Do you delete record?"), QStringLiteral("Delete"),
                                 Buttons::OkCancel) == platform::Answer::Ok;
    }
    bool askSaveAsNew(const std::string& who) override {
        const QString text = QStringLiteral(
                                 "這位客戶已被%1刪除。\n要把畫面上的內容存成一筆新的客戶資料嗎？\n"
                                 "（按「否」回到編輯，你輸入的內容都還在。）")
                                 .arg(platform::toQ(who));
        return dialogs().message(text, {}, Buttons::YesNo, Icon::Question) == platform::Answer::Yes;
    }
    std::optional<std::vector<bool>> chooseVersions(const std::string& who,
                                                    const std::vector<store::FieldConflict>& both,
                                                    const store::RecordSet& records) override {
        std::vector<platform::FieldVersions> fields;
        for (const auto& c : both)
            fields.push_back({platform::toQ(records.fieldName(c.column)), platform::toQ(c.read),
                              platform::toQ(c.stored), platform::toQ(c.typed)});
        return dialogs().chooseVersions(
            QStringLiteral(
                "在你讀取之後，%1也修改了這位客戶的下列欄位。每一欄請選擇要保留你輸入的，"
                "或是對方存的；其他欄位對方的修改已經顯示在畫面上。")
                .arg(platform::toQ(who)),
            fields);
    }
    void tell(const std::string& text) override { dialogs().message(platform::toQ(text)); }
    void showError(const std::exception& error) override { platform::showError(error); }
    void beep() override { dialogs().beep(); }

  private:
    platform::Dialogs& dialogs() { return editor_.workspace().dialogs(); }
    Form11& editor_;
};

Form11::~Form11() = default;

Form11::Form11()
    : TexMEMO(new platform::BoundMemo(this)),
      AdodcVELKARD(new platform::DataControl(this)),
      AdodcCOMPANY(new platform::DataControl(this)),
      CheckStatus(new QLabel(this)),
      prompts_(std::make_unique<Prompts>(*this)),
      flow_(state_, *prompts_) {
    // The date box still in use was never checked on leaving it (closing the window, the menu):
    // a save from anywhere checks it as leaving it would.
    flow_.setCheckBeforeSave([this] { return dateInUse_ < 0 || acceptDate(dateInUse_); });
    setObjectName("Form11");
    setWindowTitle(QStringLiteral("資料輸入"));
    platform::setBackground(this, kGrey);
    resize(platform::px(9270), platform::px(5055));

    AdodcVELKARD->setObjectName("AdodcVELKARD");
    AdodcVELKARD->setCaption(QStringLiteral("Adodc1"));
    AdodcVELKARD->setGeometry(rectTwips(7920, 3960, 1200, 735));
    AdodcVELKARD->setKeepEnds(true);
    // It only feeds the lookup lists; the user has nothing to do with it.
    AdodcCOMPANY->setObjectName("AdodcCOMPANY");
    AdodcCOMPANY->setGeometry(rectTwips(3000, 2040, 1200, 375));
    AdodcCOMPANY->hide();

    buildButtons();
    buildFields();
    buildChecks();
}

void Form11::buildChecks() {
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int f = 0; f < store::kFieldCount; ++f) {
        auto* box = TexVELKARD[static_cast<std::size_t>(f)];
        if (!box || !store::checks::hasCheck(f)) continue;
        QAction* mark = box->addAction(warning, QLineEdit::TrailingPosition);
        mark->setObjectName(QStringLiteral("CheckMark(%1)").arg(f));
        mark->setVisible(false);
        CheckMark[static_cast<std::size_t>(f)] = mark;
        connect(box, &QLineEdit::editingFinished, this, [this] { showChecks(); });
    }
    CheckStatus->setObjectName("CheckStatus");
    CheckStatus->setGeometry(rectTwips(120, 4860, 7800, 300));
    CheckStatus->setStyleSheet(QStringLiteral("color: #8B0000"));
    // A move shows the new client's marks; what a save found stays until the next move.
    connect(AdodcVELKARD, &platform::DataControl::changed, this, [this](const store::Change& c) {
        if (c.kind == store::Change::CurrentMoved || c.kind == store::Change::Reset)
            CheckStatus->clear();
        showChecks();
    });
}

QStringList Form11::showChecks() {
    QStringList found;
    for (int f = 0; f < store::kFieldCount; ++f) {
        QAction* mark = CheckMark[static_cast<std::size_t>(f)];
        if (!mark) continue;
        const std::string problem = store::checks::problem(
            f, platform::toStd(TexVELKARD[static_cast<std::size_t>(f)]->text()));
        mark->setVisible(!problem.empty());
        mark->setToolTip(platform::toQ(problem));
        if (!problem.empty())
            found << platform::toQ(store::kFieldTitles[static_cast<std::size_t>(f)]) +
                         QStringLiteral("：") + platform::toQ(problem);
    }
    return found;
}

void Form11::buildButtons() {
    for (int i = 0; i < 8; ++i) {
        auto* b = platform::makeButton(this, QStringLiteral("COMMAND1(%1)").arg(i),
                                       QString::fromLatin1(kCaptions[i]),
                                       rectTwips(7920, 120 + 480 * i, 1215, 375));
        connect(b, &QPushButton::clicked, this, [this, i] { COMMAND1_Click(i); });
        COMMAND1[static_cast<std::size_t>(i)] = b;
    }
}

void Form11::buildFields() {
    for (int f = 0; f < store::kFieldCount; ++f) {
        const store::FieldInfo& info = store::kFields[static_cast<std::size_t>(f)];
        const auto& l = info.editor;
        const ImeMode ime = l.inputMethod;
        const QString name = platform::toQ(info.name);
        auto* label = new QLabel(name, this);
        label->setObjectName(QStringLiteral("LabVELKARD(%1)").arg(f));
        label->setGeometry(rectTwips(l.label.left, l.label.top, l.label.width, 375));
        LabVELKARD[static_cast<std::size_t>(f)] = label;

        QWidget* box = nullptr;
        if (l.kind == store::BoxKind::Text) {
            auto* t = new platform::BoundTextBox(this);
            t->setObjectName(QStringLiteral("TexVELKARD(%1)").arg(f));
            // A date may be typed as 1999/12/31, one byte more than the stored 88.12.31 takes.
            t->setByteLimit(store::isDateField(f) ? kTypedDateBytes : info.bytes);
            t->setImeMode(ime);
            t->bind(AdodcVELKARD, name);
            connect(t, &platform::TextBox::keyDown, this, [this, f](int k) { fieldKeyDown(f, k); });
            connect(t, &platform::TextBox::gotFocus, this, [this, f] { fieldGotFocus(f); });
            connect(t, &platform::TextBox::lostFocus, this, [this, f] { fieldLostFocus(f); });
            connect(t, &platform::TextBox::clicked, this,
                    [t] { platform::setBoxColor(t, kWhite); });
            TexVELKARD[static_cast<std::size_t>(f)] = t;
            box = t;
        } else if (l.kind == store::BoxKind::Memo) {
            TexMEMO->setObjectName(QStringLiteral("TexVELKARD(%1)").arg(f));
            TexMEMO->setImeMode(ime);
            TexMEMO->bind(AdodcVELKARD, name);
            connect(TexMEMO, &platform::BoundMemo::keyDown, this,
                    [this, f](int k) { fieldKeyDown(f, k); });
            connect(TexMEMO, &platform::BoundMemo::gotFocus, this, [this, f] { fieldGotFocus(f); });
            connect(TexMEMO, &platform::BoundMemo::lostFocus, this,
                    [this, f] { fieldLostFocus(f); });
            connect(TexMEMO, &platform::BoundMemo::clicked, this,
                    [this] { platform::setBoxColor(TexMEMO, kWhite); });
            box = TexMEMO;
        } else {
            const bool lookup = l.kind == store::BoxKind::Lookup;
            auto* c = new platform::BoundComboBox(this);
            c->setObjectName(
                QStringLiteral("%1(%2)").arg(lookup ? "DataCombo1" : "Combox1").arg(l.listIndex));
            if (!lookup)
                for (const char* entry : kFixedLists[l.listIndex])
                    if (entry) c->addItem(QString::fromLatin1(entry), 0);
            c->textBox()->setImeMode(ime);
            c->bind(AdodcVELKARD, name);
            connect(c, &platform::BoundComboBox::keyDown, this,
                    [this, f](int k) { fieldKeyDown(f, k); });
            connect(c, &platform::BoundComboBox::gotFocus, this, [this, f] { fieldGotFocus(f); });
            connect(c, &platform::BoundComboBox::lostFocus, this, [this, f] { fieldLostFocus(f); });
            // A pick enters the edit state; in a lookup box any click does.
            connect(c, &platform::BoundComboBox::picked, this, &Form11::MODFIELD);
            if (lookup) connect(c, &platform::BoundComboBox::clicked, this, &Form11::MODFIELD);
            (lookup ? DataCombo1 : Combox1)[static_cast<std::size_t>(l.listIndex)] = c;
            box = c;
        }
        box->setGeometry(rectTwips(l.box.left, l.box.top, l.box.width, l.box.height));
        if (store::isDateField(f)) platform::widenForDate(TexVELKARD[static_cast<std::size_t>(f)]);
        platform::setBoxColor(box, kGrey);
    }
    // Tab order: the eight buttons, then the fields in their order.
    std::vector<QWidget*> chain(COMMAND1.begin(), COMMAND1.end());
    for (int f = 0; f < store::kFieldCount; ++f) chain.push_back(fieldBox(f));
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

QWidget* Form11::fieldBox(int field) const {
    const auto& l = store::kFields[static_cast<std::size_t>(field)].editor;
    switch (l.kind) {
        case store::BoxKind::Text:
            return TexVELKARD[static_cast<std::size_t>(field)];
        case store::BoxKind::Memo:
            return TexMEMO;
        case store::BoxKind::List:
            return Combox1[static_cast<std::size_t>(l.listIndex)];
        case store::BoxKind::Lookup:
            return DataCombo1[static_cast<std::size_t>(l.listIndex)];
    }
    return nullptr;
}

store::RecordSet* Form11::records() const {
    return AdodcVELKARD->recordSet();
}

void Form11::Form_Load() {
    try {
        AdodcVELKARD->openTable(workspace().file(), store::kClientTable);
        AdodcCOMPANY->openTable(workspace().file(), "combox_company");
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    // The lookup list in the order the table holds it; typed values never go back into it.
    QStringList entries;
    store::RecordSet* lookup = AdodcCOMPANY->recordSet();
    const int column = lookup->fieldIndex(store::kLookupColumn);
    for (long i = 0; i < lookup->recordCount(); ++i)
        entries << platform::toQ(lookup->valueAt(i, column));
    for (auto* c : DataCombo1) c->setEntries(entries);

    if (workspace().readOnly())  // shown, not typed into: nothing could be saved
        for (int f = 0; f < store::kFieldCount; ++f) {
            QWidget* box = fieldBox(f);
            if (auto* line = qobject_cast<QLineEdit*>(box))
                line->setReadOnly(true);
            else if (auto* memo = qobject_cast<QPlainTextEdit*>(box))
                memo->setReadOnly(true);
            else
                box->setEnabled(false);
        }
    COMMAND1[Button::Add]->setFocus();  // the lowest tab index, as the window opens
    if (records()->recordCount() == 0) return;
    state_.loaded();
    showState();
    records()->moveFirst();
    MSGTEXT();
}

void Form11::Form_Unload() {
    workspace().goHome();
}

bool Form11::Form_QueryUnload() {
    store::RecordSet* rs = records();
    if (!rs) return true;
    return flow_.mayClose(*rs);
}

void Form11::MSGTEXT() {
    for (int f = 0; f < store::kFieldCount; ++f) {
        const store::FieldInfo& info = store::kFields[static_cast<std::size_t>(f)];
        LabVELKARD[static_cast<std::size_t>(f)]->setToolTip(QString::fromUtf8(info.labelHint));
        fieldBox(f)->setToolTip(QString::fromUtf8(info.boxHint));
    }
    for (int i = 0; i < 8; ++i)
        COMMAND1[static_cast<std::size_t>(i)]->setToolTip(
            QString::fromUtf8(editor::kButtonHints[static_cast<std::size_t>(i)]));
    AdodcVELKARD->setToolTip(QString::fromUtf8(editor::kNavigatorHint));
}

void Form11::showState() {
    // A desk that may only read keeps ADD, DELETE and SAVE off.
    const bool writes = !workspace().readOnly();
    for (int i = 0; i < editor::EditorState::kButtons; ++i)
        COMMAND1[static_cast<std::size_t>(i)]->setEnabled(
            state_.enabled(Button(i)) &&
            (writes || (i != Button::Add && i != Button::Delete && i != Button::Save)));
    AdodcVELKARD->setEnabled(state_.navigatorEnabled());
}

void Form11::MODFIELD() {
    if (workspace().readOnly())
        return;  // nothing typed can be saved: nothing enters the edit state
    state_.changed();
    showState();
}

void Form11::fieldKeyDown(int field, int keyCode) {
    MODFIELD();
    if (keyCode == platform::kKeyEnter && field != store::MEMO) workspace().dialogs().sendTab();
}

void Form11::fieldGotFocus(int field) {
    platform::setBoxColor(fieldBox(field), kWhite);
    if (store::isDateField(field)) dateInUse_ = field;
}

void Form11::fieldLostFocus(int field) {
    QWidget* box = fieldBox(field);
    platform::setBoxColor(box, kGrey);
    if (!store::isDateField(field) || unloading()) return;
    dateInUse_ = -1;
    // CANCEL throws the pending changes away, dates included: it is never held up.
    if (QApplication::focusWidget() == COMMAND1[Button::Cancel]) return;
    acceptDate(field);
}

bool Form11::refusedDate(int field) const {
    const QString text = TexVELKARD[static_cast<std::size_t>(field)]->text();
    if (text.isEmpty() || store::dates::check(platform::toStd(text))) return false;
    const store::RecordSet* rs = records();
    const long at = rs ? rs->absolutePosition() : 0;
    return !rs || rs->adding() || at < 1 || text != platform::toQ(rs->valueAt(at - 1, field));
}

bool Form11::acceptDate(int field) {
    auto* text = TexVELKARD[static_cast<std::size_t>(field)];
    if (refusedDate(field)) {
        workspace().dialogs().message(QStringLiteral("輸入日期型態不正確,請重新輸入"));
        text->setFocus(Qt::OtherFocusReason);
        return false;
    }
    const std::optional<std::string> kept = store::dates::check(platform::toStd(text->text()));
    if (!kept) return true;  // empty, or stored so and left alone
    const QString rewritten = platform::toQ(*kept);
    if (rewritten != text->text()) {
        // The rewrite is a change of the record like a typed one.
        text->setText(rewritten);
        emit text->textEdited(rewritten);
        MODFIELD();
    }
    return true;
}

bool Form11::refusedDateInBox() const {
    for (int field : {int(store::BIRTH), int(store::DATE)}) {
        if (TexVELKARD[static_cast<std::size_t>(field)]->hasFocus() && refusedDate(field))
            return true;
    }
    return false;
}

void Form11::COMMAND1_Click(int index) {
    store::RecordSet* rs = records();
    if (!rs) return;
    const auto button = Button(index);
    switch (editor::EditorState::gate(button, rs->recordCount() != 0, refusedDateInBox())) {
        case editor::EditorState::Gate::Ignored:
            return;
        case editor::EditorState::Gate::NoRecord:
            workspace().dialogs().beep();
            workspace().dialogs().beep();
            workspace().dialogs().message(QStringLiteral("File no record ! "),
                                          platform::appTitle());
            return;
        case editor::EditorState::Gate::Acts:
            break;
    }
    switch (button) {
        case Button::Add: {
            TexVELKARD[store::NO]->setFocus();
            const QDate today = workspace().today();
            flow_.add(*rs, store::dates::stamp(today.year(), today.month(), today.day()));
            showState();
            break;
        }
        case Button::Delete:
            flow_.deleteCurrent(*rs);
            showState();
            break;
        case Button::Save:
            if (!flow_.save(*rs)) return;  // the pending record and the edit state stay
            showState();
            // Saved as typed: a mistyped number is the user's to keep, said but never refused.
            if (const QStringList found = showChecks(); !found.isEmpty())
                CheckStatus->setText(QStringLiteral("已存檔，請再看一次 ─ ") +
                                     found.join(QStringLiteral("；")));
            COMMAND1[Button::Add]->setFocus();
            break;
        case Button::Cancel:
            flow_.cancel(*rs);
            showState();
            COMMAND1[Button::Add]->setFocus();
            break;
        case Button::Condit:
        case Button::Quick:
        case Button::Printer:  // nothing is printed from here
            state_.browse();
            showState();
            if (button == Button::Condit) openConditionQuery();
            if (button == Button::Quick) openQuickLookup();
            break;
        case Button::End:
            platform::forms::unload<Form11>();
            workspace().goHome();
            break;
    }
}

void Form11::openConditionQuery() {
    platform::forms::place<Form111>(1000, 1200, 7100, 5500);
}

void Form11::openQuickLookup() {
    platform::forms::place<Form112>(1400, 1200, 6600, 5500);
}
