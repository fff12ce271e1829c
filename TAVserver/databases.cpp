// Opening the server's databases.
#include "TAVserver/databases.h"

namespace tav::server {

TableHandles::TableHandles(store::Database& db)
    : rsEqu(db.table("equipment")),
      rsCol(db.table("collection")),
      rsPwo(db.table("prewo")),
      rsList(db.table("list")),
      rsStatus(db.table("status")),
      rsDetail(db.table("detail")),
      rsSub(db.table("sublist")),
      rsListO(db.table("list_o")),
      rsStatusO(db.table("status_o")),
      rsDetailO(db.table("detail_o")),
      rsSubO(db.table("sublist_o")),
      rsAdmins(db.table("admins")),
      rsChange(db.table("changerequ")),
      rsImp(db.table("impower")),
      rsUsers(db.table("users")),
      rsManName(db.table("mananame")),
      rsNewUser(db.table("newuserequ")),
      rsAcess(db.table("adacess")) {}

void Databases::open(const std::string& dir) {
  auto db = std::make_unique<store::Database>(dir + "/TAVequipment.mdb",
                                              store::OpenMode::ReadWriteExclusive);
  db->attach(dir + "/TAVusers.mdb", UseSchema);
  db->attach(dir + "/TAVrecords.mdb", RecSchema);
  auto tables = std::make_unique<TableHandles>(*db);
  db_ = std::move(db);
  tables_ = std::move(tables);
}

void Databases::close() {
  tables_.reset();
  db_.reset();
}

}  // namespace tav::server
