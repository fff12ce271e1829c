// Transactions: one write scope on a connection, rolled back unless committed.
#include "TAVserver/store/internal.h"

namespace tav::store {
using namespace detail;

Transaction::Transaction(Database& db) : conn_(db.conn_) {
    detail::Connection& c = live(conn_);
    if (c.inTransaction()) failOther("a transaction is already open on " + c.path);
    execOn(c.db, "BEGIN", "cannot begin a transaction");
}

Transaction::~Transaction() {
    if (!open_ || !conn_->db) return;
    if (conn_->inTransaction()) sqlite3_exec(conn_->db, "ROLLBACK", nullptr, nullptr, nullptr);
    ++conn_->epoch;
}

void Transaction::commit() {
    if (!open_) failOther("the transaction is already committed");
    live(conn_);
    execOn(conn_->db, "COMMIT", "cannot commit");
    open_ = false;
}

}  // namespace tav::store
