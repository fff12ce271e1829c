// Table cursors: stored order while reading, deleting and editing, field
// access, duplicate keys, and text kept unit for unit.
#include "tests/store/store_fixture.h"

#include <sqlite3.h>

#include <ostream>
#include <string>
#include <vector>

namespace tav::store::testing {
namespace {

// A table without INTEGER PRIMARY KEY, filled out of key order, with a unique
// index that a careless query could be walked by instead of stored order.
class StoredOrder : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        db_.emplace(file("order.db"), OpenMode::Create);
        db_->exec("CREATE TABLE t(k INTEGER NOT NULL UNIQUE, name TEXT)");
        Table t = db_->table("t");
        for (long long k : {5, 1, 4, 2, 3}) add(t, {{"k", k}, {"name", u"n" + Value(k).asText()}});
    }
    std::optional<Database> db_;
};

TEST_F(StoredOrder, WalksForwardAndBackwardInTheOrderRecordsWereAdded) {
    Table t = db_->table("t");
    EXPECT_EQ(t.recordCount(), 5);
    EXPECT_EQ(walkForward(t, "k"), ints({5, 1, 4, 2, 3}));
    EXPECT_FALSE(t.moveNext());
    EXPECT_TRUE(t.eof());
    // From the end, one step back is the last record.
    ASSERT_TRUE(t.movePrev());
    EXPECT_EQ(t.get("k"), Value(3));
    EXPECT_EQ(walkBackward(t, "k"), ints({3, 2, 4, 1, 5}));
    ASSERT_TRUE(t.moveNext());
    EXPECT_EQ(t.get("k"), Value(5));
    // Changing direction mid-walk.
    ASSERT_TRUE(t.moveNext());
    ASSERT_TRUE(t.moveNext());
    ASSERT_TRUE(t.movePrev());
    EXPECT_EQ(t.get("k"), Value(1));
}

TEST_F(StoredOrder, DeletingWhileWalkingVisitsEveryRecordOnce) {
    Table t = db_->table("t");
    std::vector<Value> seen;
    for (bool on = t.moveFirst(); on; on = t.moveNext()) {
        seen.push_back(t.get("k"));
        if (t.get("k").asInt() % 2 == 0) {
            t.deleteCurrent();
            EXPECT_THROW(t.get("k"), StoreError);
        }
    }
    EXPECT_EQ(seen, ints({5, 1, 4, 2, 3}));
    EXPECT_EQ(walkForward(t, "k"), ints({5, 1, 3}));

    // Between records after a delete: back goes to the one before.
    ASSERT_TRUE(t.moveFirst());
    ASSERT_TRUE(t.moveNext());
    t.deleteCurrent();
    ASSERT_TRUE(t.movePrev());
    EXPECT_EQ(t.get("k"), Value(5));
    ASSERT_TRUE(t.moveNext());
    EXPECT_EQ(t.get("k"), Value(3));
}

TEST_F(StoredOrder, EditingWhileWalkingVisitsEveryRecordOnceAndKeepsItsPlace) {
    Table t = db_->table("t");
    std::vector<Value> seen;
    for (bool on = t.moveFirst(); on; on = t.moveNext()) {
        seen.push_back(t.get("k"));
        // Moves each record to the top of the indexed key's order.
        t.edit();
        t.set("k", t.get("k").asInt() + 100);
        t.update();
        EXPECT_EQ(t.get("k"), Value(seen.back().asInt() + 100));
    }
    EXPECT_EQ(seen, ints({5, 1, 4, 2, 3}));
    EXPECT_EQ(walkForward(t, "k"), ints({105, 101, 104, 102, 103}));
}

TEST_F(StoredOrder, AWriteThroughAnotherHandleIsSeenByTheWalk) {
    Table walker = db_->table("t");
    Table writer = db_->table("t");
    ASSERT_TRUE(walker.moveFirst());
    ASSERT_TRUE(walker.moveNext());  // on k=1
    // Delete the record the walker would go to next, change the one after.
    ASSERT_TRUE(writer.moveTo(walker.rowid() + 1));
    writer.deleteCurrent();
    ASSERT_TRUE(writer.moveNext());
    writer.edit();
    writer.set("name", Value(u"changed"));
    writer.update();
    ASSERT_TRUE(walker.moveNext());
    EXPECT_EQ(walker.get("k"), Value(2));
    EXPECT_EQ(walker.get("name"), Value(u"changed"));
}

TEST_F(StoreTest, KeyedTableIsStoredInKeyOrderAndFoundByKeyWithoutAWalk) {
    Database db(file("keyed.db"), OpenMode::Create);
    db.exec("CREATE TABLE list(bill_id INTEGER PRIMARY KEY, descr TEXT)");
    Table t = db.table("list");
    for (long long id : {30, 10, 20}) add(t, {{"bill_id", id}, {"descr", u"d" + Value(id).asText()}});
    EXPECT_EQ(walkForward(t, "bill_id"), ints({10, 20, 30}));

    ASSERT_TRUE(t.moveTo(20));
    EXPECT_EQ(t.get("descr"), Value(u"d20"));
    ASSERT_TRUE(t.moveNext());
    EXPECT_EQ(t.get("bill_id"), Value(30));
    // A miss leaves the cursor where it was.
    EXPECT_FALSE(t.moveTo(25));
    EXPECT_EQ(t.get("bill_id"), Value(30));
    EXPECT_EQ(t.rowid(), 30);

    // A new record without a key gets the next one and the cursor stands on it.
    t.addNew();
    t.set("descr", Value(u"new"));
    t.update();
    EXPECT_EQ(t.rowid(), 31);
    EXPECT_EQ(t.get("bill_id"), Value(31));
    EXPECT_EQ(t.get("descr"), Value(u"new"));
    EXPECT_FALSE(t.moveNext());
    EXPECT_TRUE(t.eof());
}

TEST_F(StoreTest, RowsOfOneKeyComeInStoredOrderWhateverTheIndexOrder) {
    Database db(file("keyed.db"), OpenMode::Create);
    db.exec("CREATE TABLE h(bill_id INTEGER, what TEXT); CREATE INDEX h_bill ON h(bill_id)");
    Table h = db.table("h");
    const std::pair<long long, const char16_t*> rows[] = {{7, u"a"}, {3, u"b"}, {7, u"c"}, {9, u"d"}, {7, u"e"}};
    for (const auto& [bill, what] : rows) add(h, {{"bill_id", bill}, {"what", what}});
    h.moveFirst();
    h.deleteCurrent();  // the first row of order 7 goes

    std::vector<std::u16string> seen;
    for (std::int64_t rowid : h.rowidsWhere("BILL_ID", Value(7))) {
        ASSERT_TRUE(h.moveTo(rowid));
        seen.push_back(h.get("what").asText());
    }
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"c", u"e"}));
    EXPECT_TRUE(h.rowidsWhere("bill_id", Value(8)).empty());
    EXPECT_TRUE(h.rowidsWhere("bill_id", Value()).empty());
    EXPECT_THROW(h.rowidsWhere("nosuch", Value(7)), StoreError);
}

TEST_F(StoreTest, EmptyTableIsAtBothEnds) {
    Database db(file("empty.db"), OpenMode::Create);
    db.exec("CREATE TABLE e(a INTEGER)");
    Table t = db.table("E");
    EXPECT_EQ(t.name(), "e");
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.moveLast());
    EXPECT_TRUE(t.eof() && t.bof());
    EXPECT_FALSE(t.moveNext());
    EXPECT_FALSE(t.movePrev());
    EXPECT_THROW(t.get(0), StoreError);
    EXPECT_THROW(t.deleteCurrent(), StoreError);
    EXPECT_THROW(t.edit(), StoreError);
    EXPECT_EQ(t.recordCount(), 0);
}

class Fields : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        db_.emplace(file("fields.db"), OpenMode::Create);
        db_->exec("CREATE TABLE users(user_id TEXT, Password TEXT, times INTEGER, doub REAL)");
        Table t = db_->table("users");
        add(t, {{"user_id", u"wang"}, {"Password", u"x"}, {"times", 1}, {"doub", 2.5}});
    }
    std::optional<Database> db_;
};

TEST_F(Fields, AreFoundByNameInAnyLetterCaseAndByPosition) {
    Table t = db_->table("USERS");
    ASSERT_EQ(t.fieldCount(), 4);
    EXPECT_EQ(t.fieldName(1), "Password");
    for (const char* name : {"password", "PASSWORD", "Password", "pAsSwOrD"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(t.fieldIndex(std::string_view(name)), 1);
        EXPECT_EQ(t.get(std::string_view(name)), Value(u"x"));
    }
    EXPECT_EQ(t.fieldIndex(u"TIMES"), 2);
    EXPECT_EQ(t.get(u"Doub"), Value(2.5));
    EXPECT_EQ(t.get(0), Value(u"wang"));
    EXPECT_EQ(t.get(3), Value(2.5));
    EXPECT_EQ(t.fieldIndex("passwor"), -1);
    EXPECT_EQ(t.fieldIndex("password "), -1);
    EXPECT_EQ(t.fieldIndex(u"ｐassword"), -1);  // full-width letters are not folded
    EXPECT_THROW(t.get(4), StoreError);
    EXPECT_THROW(t.get(-1), StoreError);
    EXPECT_THROW(t.get("nosuch"), StoreError);
}

TEST_F(Fields, SettingAnUnknownFieldIsRefusedAndWritesNothing) {
    Table t = db_->table("users");
    t.edit();
    t.set("times", 9);
    try {
        t.set("nosuch", 1);
        FAIL() << "an unknown field was accepted";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.kind(), StoreError::Kind::Other);
    }
    t.cancelUpdate();
    EXPECT_THROW(t.update(), StoreError);
    EXPECT_THROW(t.set("times", 1), StoreError);
    EXPECT_EQ(t.get("times"), Value(1));
}

TEST_F(Fields, UpdateWritesOnlyTheFieldsThatWereSet) {
    Table a = db_->table("users");
    Table b = db_->table("users");
    a.edit();
    a.set("times", 3);
    EXPECT_EQ(a.get("times"), Value(3));  // pending value
    EXPECT_EQ(a.get("doub"), Value(2.5));  // stored value
    // Another handle changes a different field in between.
    b.edit();
    b.set("Password", Value(u"y"));
    b.update();
    a.update();
    ASSERT_TRUE(a.moveFirst());
    EXPECT_EQ(a.get("times"), Value(3));
    EXPECT_EQ(a.get("Password"), Value(u"y"));
    // Moving away drops a pending change.
    a.edit();
    a.set("times", 4);
    ASSERT_TRUE(a.moveFirst());
    EXPECT_EQ(a.get("times"), Value(3));
}

TEST_F(Fields, NullZeroAndEmptyTextAreStoredAsThemselves) {
    {
        Table t = db_->table("users");
        add(t, {{"user_id", u"null"}, {"Password", Value()}, {"times", Value()}, {"doub", Value()}});
        add(t, {{"user_id", u"zero"}, {"Password", u""}, {"times", 0}, {"doub", 0.0}});
        add(t, {{"user_id", u"unset"}});
    }
    db_->close();
    db_->reopen();
    Table t = db_->table("users");
    ASSERT_TRUE(t.moveNext());
    EXPECT_EQ(t.get("user_id"), Value(u"null"));
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(t.get(i).isNull()) << i;
    ASSERT_TRUE(t.moveNext());
    EXPECT_EQ(t.get("Password"), Value(u""));
    EXPECT_EQ(t.get("times"), Value(0));
    EXPECT_EQ(t.get("doub"), Value(0.0));
    ASSERT_TRUE(t.moveNext());
    EXPECT_TRUE(t.get("Password").isNull());
    // Null written over a value replaces it.
    t.edit();
    t.set("times", Value());
    t.update();
    ASSERT_TRUE(t.moveFirst());
    ASSERT_TRUE(t.moveLast());
    EXPECT_TRUE(t.get("times").isNull());
}

// Each case names a table, the field set to a value another record holds,
// and the error kind that must come back.
struct DuplicateCase {
    const char* table;
    const char* field;
    Value clash;
    StoreError::Kind kind;
};

void PrintTo(const DuplicateCase& c, std::ostream* os) { *os << c.table << "." << c.field; }

class Duplicates : public StoreTest, public ::testing::WithParamInterface<DuplicateCase> {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        db_.emplace(file("dup.db"), OpenMode::Create);
        db_->exec(
            "CREATE TABLE collection(autonum INTEGER PRIMARY KEY, code TEXT UNIQUE, note TEXT NOT NULL);"
            "CREATE TABLE admins(adID TEXT PRIMARY KEY, n INTEGER);");
        Table c = db_->table("collection");
        add(c, {{"autonum", 1001}, {"code", u"A"}, {"note", u"first"}});
        add(c, {{"autonum", 1002}, {"code", u"B"}, {"note", u"second"}});
        Table a = db_->table("admins");
        add(a, {{"adID", u"admino"}, {"n", 1}});
        add(a, {{"adID", u"other"}, {"n", 2}});
    }
    std::vector<Value> record(Table& t) {
        std::vector<Value> out;
        for (int i = 0; i < t.fieldCount(); ++i) out.push_back(t.get(i));
        return out;
    }
    std::optional<Database> db_;
};

TEST_P(Duplicates, AreRefusedWithTheirKindAndLeaveTheRecordAsItWas) {
    const DuplicateCase& c = GetParam();
    Table t = db_->table(c.table);
    Transaction tx(*db_);
    // A write earlier in the same scope must survive the refused one.
    ASSERT_TRUE(t.moveFirst());
    t.edit();
    t.set(1, t.get(1));
    t.update();

    t.addNew();
    for (int i = 0; i < t.fieldCount(); ++i) t.set(i, Value(u"9"));
    t.set(std::string_view(c.field), c.clash);
    try {
        t.update();
        FAIL() << "a duplicate was added";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.kind(), c.kind) << e.what();
    }
    EXPECT_EQ(t.recordCount(), 2);

    ASSERT_TRUE(t.moveLast());
    const std::vector<Value> before = record(t);
    t.edit();
    t.set(1, Value(u"77"));
    t.set(std::string_view(c.field), c.clash);
    try {
        t.update();
        FAIL() << "a record was changed into a duplicate";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.kind(), c.kind) << e.what();
    }
    EXPECT_EQ(record(t), before);
    tx.commit();
    EXPECT_EQ(walkForward(t, t.fieldName(0)).size(), 2u);
    ASSERT_TRUE(t.moveLast());
    EXPECT_EQ(record(t), before);
}

INSTANTIATE_TEST_SUITE_P(
    Store, Duplicates,
    ::testing::Values(DuplicateCase{"collection", "autonum", Value(1001), StoreError::Kind::DuplicateKey},
                      DuplicateCase{"collection", "code", Value(u"A"), StoreError::Kind::DuplicateKey},
                      DuplicateCase{"admins", "adID", Value(u"admino"), StoreError::Kind::DuplicateKey},
                      DuplicateCase{"collection", "note", Value(), StoreError::Kind::Other}),
    [](const auto& info) { return std::string(info.param.table) + "_" + info.param.field; });

TEST_F(StoreTest, TextKeepsEveryUtf16CodeUnit) {
    const std::u16string texts[] = {
        u"设备维修工单",
        std::u16string(u"A") + char16_t(0xD800) + u"B",      // lone high surrogate
        std::u16string(u"A") + char16_t(0xDC00),              // lone low surrogate at the end
        std::u16string{char16_t(0xDFFF), char16_t(0xD83D)},  // a pair in the wrong order
        u"😀 (王)",
        std::u16string(u"a\0b", 3),
    };
    const std::string path = file("text.db");
    {
        Database db(path, OpenMode::Create);
        db.exec("CREATE TABLE t(s TEXT)");
        Table t = db.table("t");
        for (const auto& s : texts) add(t, {{"s", Value(s)}});
    }
    Database db(path, OpenMode::ReadOnlyShared);
    Table t = db.table("t");
    std::vector<Value> want(std::begin(texts), std::end(texts));
    EXPECT_EQ(walkForward(t, "s"), want);

    // On disk too, each unit is stored as it was given.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA encoding", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "UTF-16le");
    sqlite3_finalize(s);
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT CAST(s AS BLOB) FROM t ORDER BY rowid LIMIT 1 OFFSET 1", -1, &s,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    const std::string le("A\0\0\xD8" "B\0", 6);
    EXPECT_EQ(std::string(static_cast<const char*>(sqlite3_column_blob(s, 0)), std::size_t(sqlite3_column_bytes(s, 0))),
              le);
    sqlite3_finalize(s);
    sqlite3_close(raw);
}

}  // namespace
}  // namespace tav::store::testing
