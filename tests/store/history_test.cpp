#include <gtest/gtest.h>

#include "places.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"

namespace {

using testsupport::Backend;

// Deletes, merges and clears keep the clients whole in the history table, on a file and on a
// server alike, and putting them back gives the stored rows byte for byte.
class HistoryTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres && testsupport::pgCluster().empty())
            GTEST_SKIP() << "no PostgreSQL server programs";
        store::historyClock = [this] { return "2026-12-0" + std::to_string(++day_) + " 10:00:00"; };
        // Three clients: empty text and NULL side by side, and a further column another
        // program added.
        place_.write({{"A1", "王小明", "70.05.20", "", "O"},
                      {"A2", "王小明", "70.05.20"},
                      {"A3", "王曉明", "", "M", "", "A123456789"}});
        place_.exec("ALTER TABLE velkard ADD COLUMN extra text");
        place_.exec("UPDATE velkard SET extra = 'kept ' || \"no\" WHERE \"no\" <> 'A2'");
        place_.exec("UPDATE velkard SET memo = '' WHERE \"no\" = 'A3'");
        before_ = stored();
        file_ = place_.open();
        clients_ = file_->records(store::kClientTable);
    }
    void TearDown() override { store::historyClock = nullptr; }

    // Every stored row, each value marked as text or NULL, in row order.
    std::vector<std::string> stored() const {
        std::string row = "rowid";
        for (auto name : store::kFieldNames) {
            std::string lower(name);
            for (char& c : lower) c = static_cast<char>(std::tolower(c));
            row += " || '|' || COALESCE('[' || \"" + lower + "\" || ']', 'NULL')";
        }
        row += " || '|' || COALESCE('[' || extra || ']', 'NULL')";
        return place_.query("SELECT " + row + " FROM velkard ORDER BY rowid");
    }
    store::Bookmark at(const char* code) {
        clients_->moveFirst();
        EXPECT_TRUE(clients_->find(std::string("NO = '") + code + "'"));
        return clients_->bookmark();
    }
    int64_t entryOf(store::Gone gone, int64_t batch = 0) {
        for (const auto& e : file_->history())
            if (e.gone == gone && (batch == 0 || e.batch == batch)) return e.id;
        return 0;
    }

    int day_ = 0;
    testsupport::Place place_{GetParam()};
    std::vector<std::string> before_;
    std::shared_ptr<store::ClientFile> file_;
    std::unique_ptr<store::RecordSet> clients_;
};

TEST_P(HistoryTest, ADeletedClientComesBackAsItWasStored) {
    const store::Bookmark a1 = at("A1");
    clients_->deleteCurrent();
    EXPECT_EQ(clients_->recordCount(), 2);
    const auto history = file_->history();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].gone, store::Gone::Deleted);
    EXPECT_EQ(history[0].at, "2026-12-01 10:00:00");
    EXPECT_EQ(history[0].values[store::NAME], "王小明");
    // A backup carries the history: the client comes back from the backup too.
    testsupport::TempDir dir;
    file_->backup(dir.file("backup.db"));
    {
        auto backup = store::ClientFile::open(dir.file("backup.db"));
        const auto kept = backup->history();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].values[store::NAME], "王小明");
        EXPECT_TRUE(backup->records(store::kClientTable)->restore(kept[0].id, false));
        EXPECT_EQ(testsupport::query(dir.file("backup.db"),
                                     "SELECT count(*) FROM VELKARD WHERE EXTRA = 'kept A1'"),
                  std::vector<std::string>{"1"});
    }
    EXPECT_TRUE(clients_->restore(history[0].id, false));
    EXPECT_EQ(stored(), before_);
    EXPECT_EQ(clients_->recordCount(), 3);
    EXPECT_TRUE(file_->history().empty());
    // At its old address it is the same held row: a bookmark taken before names it again.
    ASSERT_TRUE(clients_->setBookmark(a1));
    EXPECT_EQ(clients_->value(store::NO), "A1");
}

TEST_P(HistoryTest, AMergeIsUndoneByteForByte) {
    const store::Bookmark keep = at("A1");
    const store::Bookmark twin = at("A2");
    const store::Bookmark third = at("A3");
    const int64_t batch = clients_->merge(
        keep, {twin, third}, {{store::SELF_NO, "A123456789"}, {store::MEMO, "一 / 二"}});
    ASSERT_GT(batch, 0);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(clients_->recordCount(), 1);
    clients_->moveFirst();
    EXPECT_EQ(clients_->value(store::SELF_NO), "A123456789");
    const auto history = file_->history();
    ASSERT_EQ(history.size(), 4u);  // two merged away, the one kept before and after
    EXPECT_EQ(history.back().by, "A1");

    ASSERT_TRUE(clients_->restore(entryOf(store::Gone::MergedAway, batch), true));
    EXPECT_EQ(stored(), before_);
    EXPECT_EQ(clients_->recordCount(), 3);
    EXPECT_TRUE(file_->history().empty());
    // The held rows show it too: the kept client's remark as it was.
    at("A1");
    EXPECT_EQ(clients_->value(store::MEMO), "");
}

TEST_P(HistoryTest, AMergeWhoseClientChangedSinceIsNotUndoneOverIt) {
    const int64_t batch = clients_->merge(at("A1"), {at("A2")}, {{store::NAME, "王小明二"}});
    place_.exec("UPDATE velkard SET tel_1 = '02-2345678' WHERE \"no\" = 'A1'");
    const auto afterEdit = stored();
    EXPECT_FALSE(clients_->restore(entryOf(store::Gone::MergedAway, batch), true));
    EXPECT_EQ(stored(), afterEdit);
    EXPECT_EQ(file_->history().size(), 3u);
    // The client merged away can still come back on its own.
    EXPECT_TRUE(clients_->restore(entryOf(store::Gone::MergedAway, batch), false));
    EXPECT_EQ(stored().size(), 3u);
}

TEST_P(HistoryTest, AMergeOfAClientAnotherDeskChangedIsRefusedWhole) {
    const store::Bookmark keep = at("A1"), away = at("A2");
    place_.exec("UPDATE velkard SET name = '別人改的' WHERE \"no\" = 'A2'");
    EXPECT_THROW(clients_->merge(keep, {away}, {{store::NAME, "王"}}), store::ConflictError);
    EXPECT_TRUE(file_->history().empty());
    EXPECT_EQ(stored().size(), 3u);
}

TEST_P(HistoryTest, ClearedClientsAreKeptUntilTheHistoryIsEmptied) {
    file_->clearClients({}, true);
    EXPECT_TRUE(stored().empty());
    ASSERT_EQ(file_->history().size(), 3u);
    auto fresh = file_->records(store::kClientTable);
    ASSERT_TRUE(fresh->restore(entryOf(store::Gone::Cleared), false));
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(file_->historyBefore("2026-12-01 10:00:00", false), 0);
    EXPECT_EQ(file_->historyBefore("2026-12-02", false), 2);
    EXPECT_EQ(file_->historyBefore("2026-12-02", true), 2);
    EXPECT_TRUE(file_->history().empty());

    file_->clearClients({}, false);  // the user chose not to keep them
    EXPECT_TRUE(file_->history().empty());
}

TEST_P(HistoryTest, AnImportsUpdatesGoWithItsClientsAndComeBack) {
    const store::Bookmark a1 = at("A1");
    store::NewClient added(store::kFieldCount);
    added[store::NO] = "A9", added[store::NAME] = "新客戶";
    auto feed = [&](const std::function<void(const store::NewClient&)>& add) { add(added); };
    file_->appendClients(feed, 1, {}, {{a1, {{store::TEL_1, "02-7654321"}}}});
    auto now = stored();
    ASSERT_EQ(now.size(), 4u);
    EXPECT_NE(now[0].find("[02-7654321]"), std::string::npos);
    const auto history = file_->history();
    ASSERT_EQ(history.size(), 2u);  // before and after
    const int64_t before =
        history.back().gone == store::Gone::Updated ? history.back().id : history.front().id;
    ASSERT_TRUE(clients_->restore(before, false));
    now = stored();
    now.pop_back();  // the new client stays
    EXPECT_EQ(now, before_);
    EXPECT_TRUE(file_->history().empty());

    // A client changed by another desk since it was read: nothing of the import is stored.
    const store::Bookmark a2 = at("A2");
    place_.exec("UPDATE velkard SET tel_1 = '別人' WHERE \"no\" = 'A2'");
    EXPECT_THROW(file_->appendClients(feed, 1, {}, {{a2, {{store::NAME, "x"}}}}),
                 store::ConflictError);
    EXPECT_EQ(stored().size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryTest,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::backendName(info.param); });

}  // namespace
