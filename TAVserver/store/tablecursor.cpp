// The table cursor: one walk statement per table kept live while it
// moves, reading and binding fields, and writing the fields that changed.
#include <algorithm>
#include <string>
#include <vector>

#include "TAVserver/store/internal.h"

namespace tav::store {

namespace detail {

// Binding text without copying it.
struct ValueAccess {
    static const std::u16string& text(const Value& v) { return std::get<std::u16string>(v.v_); }
};

namespace {

Value readColumn(sqlite3_stmt* s, int col) {
    switch (sqlite3_column_type(s, col)) {
    case SQLITE_INTEGER:
        return Value(static_cast<long long>(sqlite3_column_int64(s, col)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(s, col));
    case SQLITE_TEXT: {
        auto p = static_cast<const char16_t*>(sqlite3_column_text16(s, col));
        int bytes = sqlite3_column_bytes16(s, col);
        if (!p) return Value(std::u16string());
        return Value(std::u16string(p, std::size_t(bytes) / 2));
    }
    case SQLITE_NULL:
        return Value();
    default:
        failOther(std::string("field \"") + sqlite3_column_name(s, col) + "\" holds binary data");
    }
}

void bindValue(sqlite3* db, sqlite3_stmt* s, int at, const Value& v) {
    int rc = SQLITE_OK;
    switch (v.type()) {
    case Value::Type::Null:
        rc = sqlite3_bind_null(s, at);
        break;
    case Value::Type::Integer:
        rc = sqlite3_bind_int64(s, at, v.asInt());
        break;
    case Value::Type::Double:
        rc = sqlite3_bind_double(s, at, v.asDouble());
        break;
    case Value::Type::Text: {
        // The caller keeps v alive until the statement has run.
        const std::u16string& text = detail::ValueAccess::text(v);
        rc = sqlite3_bind_text16(s, at, text.data(), int(text.size() * 2), SQLITE_STATIC);
        break;
    }
    }
    if (rc != SQLITE_OK) failSqlite(db, rc, "cannot bind a value");
}

}  // namespace

TableCursor::TableCursor(std::shared_ptr<Connection> c, std::string s, std::string t)
    : conn(std::move(c)), schema(std::move(s)), table(std::move(t)),
      qualified(quoteIdent(schema) + "." + quoteIdent(table)) {
    conn->cursors.push_back(this);
}

TableCursor::~TableCursor() {
    finalizeAll();
    std::erase(conn->cursors, this);
}

void TableCursor::finalizeAll() {
    forward = Stmt();
    backward = Stmt();
    count = Stmt();
    remove = Stmt();
    inserts.clear();
    updates.clear();
    wheres.clear();
    live = Live::None;
    preparedFor = 0;
}

void TableCursor::resetWalk() {
    if (forward) sqlite3_reset(forward.get());
    if (backward) sqlite3_reset(backward.get());
    live = Live::None;
}

void TableCursor::ensurePrepared() {
    conn->requireOpen();
    if (preparedFor == conn->openCount) return;
    finalizeAll();
    sqlite3* db = conn->db;
    forward = prepare(db, "SELECT rowid,* FROM " + qualified + " WHERE rowid>=?1 ORDER BY rowid", true);
    backward =
        prepare(db, "SELECT rowid,* FROM " + qualified + " WHERE rowid<=?1 ORDER BY rowid DESC", true);
    int n = sqlite3_column_count(forward.get()) - 1;
    std::vector<std::string> now;
    std::vector<std::u16string> now16;
    for (int i = 0; i < n; ++i) {
        now.emplace_back(sqlite3_column_name(forward.get(), i + 1));
        now16.emplace_back(static_cast<const char16_t*>(sqlite3_column_name16(forward.get(), i + 1)));
    }
    if (!names.empty() && now != names) {
        finalizeAll();
        failOther("table " + table + " no longer has the fields it had when it was opened");
    }
    names = std::move(now);
    names16 = std::move(now16);
    preparedFor = conn->openCount;
}

int TableCursor::step(sqlite3_stmt* s, const char* what) {
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        sqlite3_reset(s);
        if (s == forward.get() || s == backward.get()) live = Live::None;
        failSqlite(conn->db, rc, std::string(what) + " " + table);
    }
    return rc;
}

bool TableCursor::seek(Live dir, std::int64_t from, std::int64_t& found) {
    ensurePrepared();
    sqlite3_stmt* s = dir == Live::Forward ? forward.get() : backward.get();
    resetWalk();
    sqlite3_bind_int64(s, 1, from);
    if (step(s, "cannot read") != SQLITE_ROW) return false;
    found = sqlite3_column_int64(s, 0);
    live = dir;
    liveEpoch = conn->epoch;
    return true;
}

bool TableCursor::liveOnCurrent() const {
    return pos == Pos::OnRow && live != Live::None && liveEpoch == conn->epoch &&
           preparedFor == conn->openCount && conn->db;
}

void TableCursor::standOn(std::int64_t rowid) {
    cur = rowid;
    pos = Pos::OnRow;
    bofFlag = eofFlag = false;
}

sqlite3_stmt* TableCursor::current() {
    if (pos != Pos::OnRow) failOther("table " + table + " has no current record");
    if (liveOnCurrent()) return liveStmt();
    std::int64_t found = 0;
    if (!seek(Live::Forward, cur, found) || found != cur) {
        pos = Pos::Gap;
        failOther("the current record of table " + table + " no longer exists");
    }
    return forward.get();
}

void TableCursor::dropPending() {
    pending = Pending::None;
    values.clear();
    changed.clear();
}

bool TableCursor::step(Live dir) {
    dropPending();
    const bool fwd = dir == Live::Forward;
    std::int64_t found = 0;
    bool ok = false;
    switch (pos) {
    case Pos::After:
        if (fwd) return false;
        ok = seek(Live::Backward, kMaxRowid, found);
        break;
    case Pos::Before:
        if (!fwd) return false;
        ok = seek(Live::Forward, kMinRowid, found);
        break;
    case Pos::OnRow:
    case Pos::Gap:
        if (pos == Pos::OnRow && liveOnCurrent() && live == dir) {
            sqlite3_stmt* s = liveStmt();
            ok = step(s, "cannot read") == SQLITE_ROW;
            if (ok) found = sqlite3_column_int64(s, 0);
            else live = Live::None;
        } else if (fwd ? cur != kMaxRowid : cur != kMinRowid) {
            ok = seek(dir, fwd ? cur + 1 : cur - 1, found);
        }
        break;
    }
    if (ok) {
        standOn(found);
        return true;
    }
    const bool empty = pos == Pos::Before || pos == Pos::After;
    pos = fwd ? Pos::After : Pos::Before;
    (fwd ? eofFlag : bofFlag) = true;
    if (empty) bofFlag = eofFlag = true;
    return false;
}

bool TableCursor::moveEnd(Live dir) {
    dropPending();
    std::int64_t found = 0;
    if (seek(dir, dir == Live::Forward ? kMinRowid : kMaxRowid, found)) {
        standOn(found);
        return true;
    }
    pos = dir == Live::Forward ? Pos::After : Pos::Before;
    bofFlag = eofFlag = true;
    return false;
}

int TableCursor::indexOf(std::string_view name) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (equalsNoCase(std::string_view(names[i]), name)) return int(i);
    return -1;
}

int TableCursor::indexOf(std::u16string_view name) const {
    for (std::size_t i = 0; i < names16.size(); ++i)
        if (equalsNoCase(std::u16string_view(names16[i]), name)) return int(i);
    return -1;
}

void TableCursor::checkIndex(int i) const {
    if (i < 0 || std::size_t(i) >= names.size())
        failOther("table " + table + " has no field number " + std::to_string(i));
}

Value TableCursor::get(int i) {
    checkIndex(i);
    if (pending != Pending::None && changed[std::size_t(i)]) return values[std::size_t(i)];
    if (pending == Pending::Add) return Value();
    return readColumn(current(), i + 1);
}

void TableCursor::set(int i, Value v) {
    if (pending == Pending::None) failOther("table " + table + ": set() without addNew() or edit()");
    checkIndex(i);
    values[std::size_t(i)] = std::move(v);
    changed[std::size_t(i)] = true;
}

void TableCursor::begin(Pending kind) {
    ensurePrepared();
    if (kind == Pending::Change) current();
    pending = kind;
    values.assign(names.size(), Value());
    changed.assign(names.size(), false);
}

sqlite3_stmt* TableCursor::writeStatement(bool add) {
    auto& cache = add ? inserts : updates;
    auto it = cache.find(changed);
    if (it != cache.end()) return it->second.get();
    std::string cols, params;
    int n = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!changed[i]) continue;
        if (n) { cols += ','; params += ','; }
        ++n;
        std::string p = "?" + std::to_string(n);
        if (add) {
            cols += quoteIdent(names[i]);
            params += p;
        } else {
            cols += quoteIdent(names[i]) + "=" + p;
        }
    }
    std::string sql;
    if (add)
        sql = n ? "INSERT INTO " + qualified + "(" + cols + ") VALUES(" + params + ")"
                : "INSERT INTO " + qualified + " DEFAULT VALUES";
    else
        sql = "UPDATE " + qualified + " SET " + cols + " WHERE rowid=?" + std::to_string(n + 1);
    sql += " RETURNING rowid";
    return cache.emplace(changed, prepare(conn->db, sql, true)).first->second.get();
}

void TableCursor::update() {
    if (pending == Pending::None) failOther("table " + table + ": update() without addNew() or edit()");
    ensurePrepared();
    const bool add = pending == Pending::Add;
    if (!add && std::find(changed.begin(), changed.end(), true) == changed.end()) {
        dropPending();
        return;
    }
    sqlite3_stmt* s = writeStatement(add);
    int at = 0;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (changed[i]) bindValue(conn->db, s, ++at, values[i]);
    if (!add) sqlite3_bind_int64(s, at + 1, cur);

    // Whatever happens, walk statements must find their place again.
    ++conn->epoch;
    int rc = sqlite3_step(s);
    const bool wrote = rc == SQLITE_ROW;
    std::int64_t rowid = wrote ? sqlite3_column_int64(s, 0) : 0;
    while (rc == SQLITE_ROW) rc = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    dropPending();
    if (rc != SQLITE_DONE) failSqlite(conn->db, rc, std::string(add ? "cannot add to " : "cannot change ") + table);
    if (!wrote) {
        pos = Pos::Gap;
        failOther("the current record of table " + table + " no longer exists");
    }
    standOn(rowid);
}

void TableCursor::deleteCurrent() {
    dropPending();
    if (pos != Pos::OnRow) failOther("table " + table + " has no current record");
    ensurePrepared();
    if (!remove) remove = prepare(conn->db, "DELETE FROM " + qualified + " WHERE rowid=?1", true);
    sqlite3_bind_int64(remove.get(), 1, cur);
    ++conn->epoch;
    step(remove.get(), "cannot delete from");
    sqlite3_reset(remove.get());
    pos = Pos::Gap;
    if (sqlite3_changes(conn->db) == 0)
        failOther("the current record of table " + table + " no longer exists");
}

std::vector<std::int64_t> TableCursor::rowidsWhere(int index, const Value& v) {
    ensurePrepared();
    if (index < 0 || index >= int(names.size())) failOther("table " + table + " has no such field");
    Stmt& st = wheres[index];
    if (!st)
        st = prepare(conn->db,
                     "SELECT rowid FROM " + qualified + " WHERE " + quoteIdent(names[std::size_t(index)]) +
                         "=?1 ORDER BY rowid",
                     true);
    bindValue(conn->db, st.get(), 1, v);
    std::vector<std::int64_t> out;
    while (step(st.get(), "cannot read") == SQLITE_ROW) out.push_back(sqlite3_column_int64(st.get(), 0));
    sqlite3_reset(st.get());
    sqlite3_clear_bindings(st.get());
    return out;
}

std::int64_t TableCursor::recordCount() {
    ensurePrepared();
    if (!count) count = prepare(conn->db, "SELECT count(*) FROM " + qualified, true);
    step(count.get(), "cannot count");
    std::int64_t n = sqlite3_column_int64(count.get(), 0);
    sqlite3_reset(count.get());
    return n;
}

}  // namespace detail

using namespace detail;

Table::Table(std::unique_ptr<detail::TableCursor> cursor) : c_(std::move(cursor)) {}
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;

const std::string& Table::name() const { return c_->table; }
const std::string& Table::schemaName() const { return c_->schema; }
int Table::fieldCount() const { return int(c_->names.size()); }

const std::string& Table::fieldName(int index) const {
    c_->checkIndex(index);
    return c_->names[std::size_t(index)];
}

int Table::fieldIndex(std::string_view name) const { return c_->indexOf(name); }
int Table::fieldIndex(std::u16string_view name) const { return c_->indexOf(name); }

std::int64_t Table::recordCount() { return c_->recordCount(); }

std::vector<std::int64_t> Table::rowidsWhere(std::string_view fieldName, const Value& value) {
    return c_->rowidsWhere(c_->indexOf(fieldName), value);
}

bool Table::moveFirst() { return c_->moveEnd(detail::TableCursor::Live::Forward); }
bool Table::moveLast() { return c_->moveEnd(detail::TableCursor::Live::Backward); }
bool Table::moveNext() { return c_->step(detail::TableCursor::Live::Forward); }
bool Table::movePrev() { return c_->step(detail::TableCursor::Live::Backward); }

bool Table::moveTo(std::int64_t rowid) {
    c_->dropPending();
    std::int64_t found = 0;
    if (c_->seek(detail::TableCursor::Live::Forward, rowid, found) && found == rowid) {
        c_->standOn(rowid);
        return true;
    }
    c_->live = detail::TableCursor::Live::None;
    return false;
}

bool Table::eof() const { return c_->eofFlag; }
bool Table::bof() const { return c_->bofFlag; }

std::int64_t Table::rowid() {
    c_->current();
    return c_->cur;
}

Value Table::get(int index) { return c_->get(index); }

Value Table::get(std::string_view fieldName) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field " + std::string(fieldName));
    return c_->get(i);
}

Value Table::get(std::u16string_view fieldName) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field of the name asked for");
    return c_->get(i);
}

void Table::addNew() { c_->begin(detail::TableCursor::Pending::Add); }
void Table::edit() { c_->begin(detail::TableCursor::Pending::Change); }

void Table::set(int index, Value value) { c_->set(index, std::move(value)); }

void Table::set(std::string_view fieldName, Value value) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field " + std::string(fieldName));
    c_->set(i, std::move(value));
}

void Table::set(std::u16string_view fieldName, Value value) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field of the name asked for");
    c_->set(i, std::move(value));
}

void Table::update() { c_->update(); }
void Table::cancelUpdate() { c_->dropPending(); }
void Table::deleteCurrent() { c_->deleteCurrent(); }

}  // namespace tav::store
