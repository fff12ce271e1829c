// The server's three read-write database files, held exclusively on one
// connection for the whole run, and a handle on each of their tables.
#pragma once
#include <memory>
#include <string>

#include "TAVserver/store/store.h"

namespace tav::server {

struct TableHandles {
  explicit TableHandles(store::Database& db);
  store::Table rsEqu, rsCol, rsPwo;
  store::Table rsList, rsStatus, rsDetail, rsSub, rsListO, rsStatusO, rsDetailO, rsSubO;
  store::Table rsAdmins, rsChange, rsImp, rsUsers, rsManName, rsNewUser, rsAcess;
};

class Databases {
 public:
  // Schema names of the attached files on the one connection.
  static constexpr const char* EquSchema = "main";
  static constexpr const char* UseSchema = "usr";
  static constexpr const char* RecSchema = "rec";

  // Opens "TAVequipment.mdb", "TAVusers.mdb" and "TAVrecords.mdb" in
  // `dir` and every table the server uses. Throws store::StoreError.
  void open(const std::string& dir);
  void close();
  bool isOpen() const { return db_ != nullptr; }

  store::Database& db() { return *db_; }
  TableHandles& t() { return *tables_; }

 private:
  std::unique_ptr<store::Database> db_;
  std::unique_ptr<TableHandles> tables_;
};

}  // namespace tav::server
