#include "store/recordset.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "places.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/text.h"

namespace {

using store::RecordSet;
using testsupport::Backend;

// Every case runs on an SQLite file and on a server database: the windows above see no difference.
class RecordSetTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres && testsupport::pgCluster().empty())
            GTEST_SKIP() << "no PostgreSQL server programs";
    }
    // Clients as NO, NAME, BIRTH, SEX, BLOOD, SELF_NO, MARRY, TEL_1, PHONE, CALL, ADDR_1, COMPANY.
    void write(const std::vector<std::vector<std::string>>& clients) { place_.write(clients); }
    // A record set through a connection of its own, as another program start would have.
    std::unique_ptr<RecordSet> open() { return place_.open()->records(store::kClientTable); }
    static std::vector<std::string> column(RecordSet& rs, int field) {
        std::vector<std::string> out;
        for (long i = 0; i < rs.recordCount(); ++i) out.emplace_back(rs.valueAt(i, field));
        return out;
    }
    // What the file or server holds, read by another connection.
    std::vector<std::string> stored(const std::string& select) { return place_.query(select); }

    testsupport::Place place_{GetParam()};
};

std::vector<std::vector<std::string>> numbered(int n) {
    std::vector<std::vector<std::string>> clients;
    for (int i = 1; i <= n; ++i)
        clients.push_back({"C" + std::to_string(100 + i), "客戶" + std::to_string(i)});
    return clients;
}

TEST_P(RecordSetTest, PositionsAndMovesRunOffEitherEndWithoutError) {
    write(numbered(3));
    auto rs = open();
    EXPECT_EQ(rs->absolutePosition(), 1);
    enum Act { First, Last, Next, Previous, Move, Position };
    void (RecordSet::*const kMoves[])() = {&RecordSet::moveFirst, &RecordSet::moveLast,
                                           &RecordSet::moveNext, &RecordSet::movePrevious};
    constexpr long B = RecordSet::kBeforeFirst, A = RecordSet::kAfterLast;
    const struct {
        Act act;
        long n;
        long position;  // before the first and past the last hold no record
    } steps[] = {{Previous, 0, B}, {Previous, 0, B}, {Next, 0, 1},     {Last, 0, 3},
                 {Next, 0, A},     {Next, 0, A},     {Previous, 0, 3}, {Move, -2, 1},
                 {Move, 13, A},    {First, 0, 1},    {Move, -1, B},    {Position, 2, 2},
                 {Move, 0, 2},     {Position, 9, A}, {Previous, 0, 3}};
    int i = 0;
    for (const auto& s : steps) {
        if (s.act == Move)
            rs->move(s.n);
        else if (s.act == Position)
            rs->setAbsolutePosition(s.n);
        else
            (rs.get()->*kMoves[s.act])();
        EXPECT_EQ(rs->absolutePosition(), s.position) << "step " << i;
        EXPECT_EQ(rs->bof(), s.position == B) << "step " << i;
        EXPECT_EQ(rs->eof(), s.position == A) << "step " << i;
        EXPECT_EQ(rs->value(store::NO), s.position > 0 ? "C10" + std::to_string(s.position) : "")
            << "step " << i++;
    }
}

TEST_P(RecordSetTest, EmptyTableIsBothBeforeAndAfterAndEveryMoveIsHarmless) {
    write({});
    auto rs = open();
    EXPECT_EQ(rs->recordCount(), 0);
    for (auto act : {&RecordSet::moveFirst, &RecordSet::moveLast, &RecordSet::moveNext,
                     &RecordSet::movePrevious}) {
        (rs.get()->*act)();
        EXPECT_TRUE(rs->bof() && rs->eof() && !rs->hasCurrent());
    }
    EXPECT_FALSE(rs->find("NO = 'x'"));
    EXPECT_THROW(rs->bookmark(), store::StoreError);
    EXPECT_THROW(rs->deleteCurrent(), store::StoreError);
}

TEST_P(RecordSetTest, FindMatchesWholeValuesForwardFromTheCurrentRecord) {
    write({{"A1", "王小明"}, {"A2", "王小"}, {"A3", "王小明"}, {"A4", "李四"}});
    auto rs = open();
    EXPECT_TRUE(rs->find("NAME='王小'"));
    EXPECT_EQ(rs->value(store::NO), "A2") << "a prefix must not match";
    EXPECT_TRUE(rs->find("NAME='王小明'"));
    EXPECT_EQ(rs->value(store::NO), "A3") << "search starts at the current record";
    EXPECT_TRUE(rs->find("NAME='王小明'"));
    EXPECT_EQ(rs->value(store::NO), "A3") << "the current record itself is included";
    EXPECT_FALSE(rs->find("NAME='王'"));
    EXPECT_TRUE(rs->eof());
    rs->moveFirst();
    EXPECT_TRUE(rs->find("NO='a1'"));
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_THROW(rs->find("NO='A1"), store::ExpressionError);
    EXPECT_EQ(rs->absolutePosition(), 1) << "a rejected criterion does not move";
}

TEST_P(RecordSetTest, SortFollowsStrokeOrderKeepsTiesInTableOrderAndStandsOnTheFirst) {
    write({{"1", "陳"},
           {"2", "王"},
           {"3", "黃"},
           {"4", "丁"},
           {"5", "王"},
           {"6", ""},
           {"7", "林"},
           {"8", "張"},
           {"9", "李"},
           {"10", "王"}});
    auto rs = open();
    rs->setAbsolutePosition(5);
    rs->setSort("NAME ASC");
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_EQ(column(*rs, store::NAME),
              (std::vector<std::string>{"", "丁", "王", "王", "王", "李", "林", "張", "陳", "黃"}));
    EXPECT_EQ(column(*rs, store::NO),
              (std::vector<std::string>{"6", "4", "2", "5", "10", "9", "7", "8", "1", "3"}));
}

// Codes sort by numbers made of their first eight bytes: longer codes sharing those bytes, letter
// case and ties must still come out as the collation orders them, both ways.
TEST_P(RecordSetTest, CodesSortAsTheCollationOrdersThemPastTheirFirstEightBytes) {
    const std::vector<std::string> codes = {
        "abcdefgh2", "ABCDEFGH1", "abcdefgh", "b", "ABCDEFGH", "A", "a-1", "", "abcdefgh10", "a"};
    std::vector<std::vector<std::string>> clients;
    for (const auto& c : codes) clients.push_back({c, "x"});
    write(clients);
    auto rs = open();
    for (const bool descending : {false, true}) {
        std::vector<std::string> expected = codes;
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            return descending ? store::text::compare(a, b) > 0 : store::text::compare(a, b) < 0;
        });
        rs->setSort(descending ? "NO DESC" : "NO ASC");
        EXPECT_EQ(column(*rs, store::NO), expected) << (descending ? "DESC" : "ASC");
    }
}

TEST_P(RecordSetTest, BookmarksHoldAcrossClonesAndSortsAndClonesShareSavesAndDeletes) {
    write(numbered(4));
    auto rs = open();
    rs->setSort("NO DESC");
    rs->setAbsolutePosition(3);  // C102
    store::Bookmark mark = rs->bookmark();
    auto copy = rs->clone();
    EXPECT_EQ(copy->value(store::NO), "C101") << "a clone starts on the first row in table order";
    copy->setSort("NO ASC");
    ASSERT_TRUE(copy->setBookmark(mark));
    EXPECT_EQ(copy->absolutePosition(), 2);

    copy->setValue(store::NAME, "改過的名字");
    copy->update();
    EXPECT_EQ(rs->value(store::NAME), "改過的名字")
        << "a save through a clone is seen by the original";

    copy->setFilter("NO = 'C104'");
    EXPECT_FALSE(copy->setBookmark(mark)) << "a row outside the filter cannot be reached";
    EXPECT_EQ(copy->value(store::NO), "C104");

    copy->deleteCurrent();
    EXPECT_EQ(rs->recordCount(), 3) << "the deleted row is gone from the original too";
    EXPECT_EQ(stored("SELECT NO FROM VELKARD ORDER BY rowid"),
              (std::vector<std::string>{"C101", "C102", "C103"}));
}

TEST_P(RecordSetTest, AddNewCountsBeforeSavingCancelDropsItUpdateWritesThrough) {
    write({});
    auto rs = open();
    rs->addNew();
    EXPECT_EQ(rs->recordCount(), 1) << "the pending row counts";
    rs->cancelUpdate();
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_TRUE(stored("SELECT NO FROM VELKARD").empty());

    rs->addNew();
    rs->setValue(store::NO, "N0002");
    rs->setValue(store::NAME, "歐陽小明");
    rs->setValue(store::DATE, "115.12.06");
    EXPECT_THROW(rs->moveFirst(), store::StoreError) << "moving would drop the pending row";
    rs->update();
    EXPECT_EQ(rs->value(store::NAME), "歐陽小明") << "the added row stays current";
    EXPECT_EQ(stored("SELECT NO || '|' || NAME || '|' || DATE FROM VELKARD"),
              (std::vector<std::string>{"N0002|歐陽小明|115.12.06"}));

    rs->setValue(store::MEMO, "第一行\n第二行");
    rs->update();
    auto reopened = open();
    EXPECT_EQ(reopened->value(store::MEMO), "第一行\n第二行");
    reopened->deleteCurrent();
    EXPECT_TRUE(stored("SELECT NO FROM VELKARD").empty());
}

// Two desks on one client: a save is refused only when the other changed one of the fields it
// writes. The refused edit then stands on what is stored, keeps what was typed, and saves over it.
TEST_P(RecordSetTest, ConflictingWritesAreRefusedWithNothingWrittenAndThePendingChangeKept) {
    write(numbered(2));
    auto mine = open();
    auto theirs = open();  // another desk's own record set
    theirs->setValue(store::NAME, "他們改的");
    theirs->update();
    mine->refreshCurrent();
    theirs->setValue(store::NAME, "他們又改");
    theirs->setValue(store::PHONE, "0922");
    theirs->update();
    mine->setValue(store::NAME, "我改的");
    mine->setValue(store::PHONE, "0922");  // typed as they stored it: no conflict there
    EXPECT_THROW(mine->update(), store::ConflictError);
    EXPECT_TRUE(mine->editing());
    EXPECT_EQ(mine->value(store::NAME), "我改的");
    EXPECT_EQ(stored("SELECT NAME FROM VELKARD WHERE NO = 'C101'"),
              (std::vector<std::string>{"他們又改"}));
    const auto both = mine->rebaseEdit();
    ASSERT_TRUE(both && both->size() == 1u);
    EXPECT_EQ((*both)[0].column, store::NAME);
    EXPECT_EQ((*both)[0].read, "他們改的");
    EXPECT_EQ((*both)[0].stored, "他們又改");
    EXPECT_EQ((*both)[0].typed, "我改的");
    mine->update();  // this desk's choice goes over theirs
    EXPECT_EQ(stored("SELECT NAME FROM VELKARD WHERE NO = 'C101'"),
              (std::vector<std::string>{"我改的"}));

    // Deleted by the other desk while typed here: what the edit shows becomes a new client.
    mine->setValue(store::NAME, "還在");
    place_.exec("DELETE FROM VELKARD WHERE NO = 'C101'");
    EXPECT_THROW(mine->update(), store::ConflictError);
    EXPECT_FALSE(mine->rebaseEdit());
    mine->editAsNew();
    mine->update();
    EXPECT_EQ(stored("SELECT NO || NAME || PHONE FROM VELKARD WHERE NAME = '還在'"),
              (std::vector<std::string>{"C101還在0922"}));
    place_.exec("DELETE FROM VELKARD WHERE NAME = '還在'");
    mine = open();
    theirs->refreshCurrent();

    // Another program deletes the record shown: deleting it here is refused, and a move finds
    // it gone (the rows are older than the table from then on).
    place_.exec("DELETE FROM VELKARD WHERE NO = 'C102'");
    EXPECT_THROW(mine->deleteCurrent(), store::ConflictError);
    mine->moveFirst();
    EXPECT_EQ(mine->recordCount(), 0);
}

TEST_P(RecordSetTest, NullAndEmptyReadTheSameAndAnExtraColumnIsCarried) {
    write({});
    place_.exec(
        "ALTER TABLE VELKARD ADD COLUMN CTRL TEXT;"
        "INSERT INTO VELKARD (NO, NAME, CTRL) VALUES ('1', NULL, 'x');"
        "INSERT INTO VELKARD (NO, NAME, CTRL) VALUES ('2', '', NULL);"
        "INSERT INTO VELKARD (NO, NAME) VALUES ('3', '王');");
    auto rs = open();
    ASSERT_EQ(rs->fieldCount(), 21);
    EXPECT_TRUE(store::sameName(rs->fieldName(20), "CTRL"));
    EXPECT_EQ(rs->fieldIndex("ctrl"), 20);
    EXPECT_EQ(rs->value("CTRL"), "x");
    rs->setFilter("NAME = ''");
    EXPECT_EQ(column(*rs, store::NO), (std::vector<std::string>{"1", "2"}));
    rs->setFilter("");
    rs->setSort("NAME DESC");
    EXPECT_EQ(column(*rs, store::NO), (std::vector<std::string>{"3", "1", "2"}));

    // A NULL field that the user leaves alone stays NULL; the conflict check treats it as empty.
    rs->setFilter("NO = '1'");
    rs->setValue(store::MEMO, "備註");
    rs->update();
    EXPECT_EQ(stored("SELECT COALESCE(NAME, 'NULL') || MEMO FROM VELKARD WHERE NO = '1'"),
              (std::vector<std::string>{"NULL備註"}));

    // What a server cannot store, the file does not either: refused, pending, nothing written.
    for (const std::string& odd : {std::string("a\0b", 3), std::string("\xFF")}) {
        rs->setValue(store::MEMO, odd);
        EXPECT_THROW(rs->update(), store::StoreError);
        EXPECT_TRUE(rs->editing());
        rs->cancelUpdate();
    }
    EXPECT_EQ(stored("SELECT MEMO FROM VELKARD WHERE NO = '1'"), std::vector<std::string>{"備註"});
}

TEST_P(RecordSetTest, AColumnNamedRowidIsCarriedAndSavesReachTheirOwnRecord) {
    if (GetParam() == Backend::Postgres) GTEST_SKIP() << "only SQLite hides a name for its rows";
    write(numbered(3));
    place_.exec("ALTER TABLE VELKARD ADD COLUMN rowid TEXT; UPDATE VELKARD SET rowid = '1'");
    auto rs = open();
    EXPECT_EQ(rs->value("rowid"), "1");
    rs->moveNext();
    rs->setValue(store::NAME, "改");
    rs->update();
    rs->moveNext();
    rs->deleteCurrent();
    EXPECT_EQ(stored("SELECT NO || NAME || rowid FROM VELKARD ORDER BY oid"),
              (std::vector<std::string>{"C101客戶11", "C102改1"}));
}

// A sort by a field is kept for the next sort by it; changes in between must not show a stale
// order, whatever the change (a saved value, an added row, a deleted one).
TEST_P(RecordSetTest, AKeptSortOrderFollowsEveryChange) {
    write({{"C1", "張三"}, {"C2", "王五"}, {"C3", "李四"}, {"C4", "丁一"}});
    auto rs = open();
    auto other = rs->clone();
    auto names = [&] {
        other->setSort("NAME ASC");
        return column(*other, store::NAME);
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"丁一", "王五", "李四", "張三"}));
    rs->setAbsolutePosition(1);
    rs->setValue(store::NAME, "乙");  // one stroke: now first
    rs->update();
    EXPECT_EQ(names(), (std::vector<std::string>{"乙", "丁一", "王五", "李四"}));
    rs->addNew();
    rs->setValue(store::NAME, "一");
    rs->update();
    EXPECT_EQ(names().front(), "一");
    rs->setAbsolutePosition(2);
    rs->deleteCurrent();
    EXPECT_EQ(names(), (std::vector<std::string>{"一", "乙", "丁一", "李四"}));
    other->setFilter("NAME <> '丁一'");
    other->setSort("NAME DESC");
    EXPECT_EQ(column(*other, store::NAME), (std::vector<std::string>{"李四", "乙", "一"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordSetTest,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::backendName(info.param); });

}  // namespace
