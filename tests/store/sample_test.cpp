#include <gtest/gtest.h>

#include "generator.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "store/text.h"
#include "tempdir.h"

namespace {

TEST(SampleFile, SameCountGivesTheSameUsableClientFile) {
    testsupport::TempDir dir;
    sample::writeClientFile(dir.file("a.db"), 400);
    sample::writeClientFile(dir.file("b.db"), 400);
    EXPECT_EQ(testsupport::readBytes(dir.file("a.db")), testsupport::readBytes(dir.file("b.db")));

    auto db = store::clientfile::open(dir.file("a.db"));
    auto clients = store::RecordSet::openClients(db);
    EXPECT_EQ(clients->recordCount(), 400);
    auto lookup = store::RecordSet::open(db, store::kLookupTable);
    EXPECT_GE(lookup->recordCount(), 25);
    EXPECT_LE(lookup->recordCount(), 35);
    EXPECT_EQ(store::RecordSet::open(db, store::kAuxTable)->recordCount(), 0);

    int outsidePickList = 0;
    for (long i = 0; i < clients->recordCount(); ++i) {
        auto name = clients->valueAt(i, store::NAME);
        EXPECT_GE(store::text::length(name), 2u) << name;
        EXPECT_LE(store::text::length(name), 4u) << name;
        for (int f = 0; f < store::kFieldCount; ++f) {
            int limit = store::kFieldWidths[static_cast<std::size_t>(f)];
            if (limit) {
                EXPECT_LE(store::text::big5Width(clients->valueAt(i, f)), limit)
                    << store::kFieldNames[static_cast<std::size_t>(f)] << " "
                    << clients->valueAt(i, f);
            }
        }
        auto sex = clients->valueAt(i, store::SEX);
        outsidePickList += sex != "M" && sex != "F";
    }
    EXPECT_GT(outsidePickList, 0) << "values outside the pick lists occur too";
}

}  // namespace
