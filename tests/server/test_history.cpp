// A work order's status history and used-time rows: newest first, from
// the current tables or their archive twins, and always a closed list.
#include <gtest/gtest.h>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

}  // namespace

TEST(WorkOrderHistory, DetailLists) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, canceled) VALUES('hu', '" +
                              tav::toUtf8(tav::encodePswd(u"pw")) + "', 'hu', 0)");
  dir.sql("TAVrecords.mdb",
          "INSERT INTO status(bill_id, Status, User, Time) VALUES"
          "(7, 1, 'u1(甲)', 47000.25), (8, 2, 'x', 1.5), (7, 2, 'u2(乙)', 47000.5), (NULL, 4, 'n', 1),"
          "(7, 4, 'u3(丙)', 47001.75);"
          "INSERT INTO status_o(bill_id, Status, User, Time) VALUES (9, 16, 'old(旧)', 46000.5);"
          "INSERT INTO detail(bill_id, user_id, Type, used_time) VALUES"
          "(7, '甲', 1, 1.5), (12, '丁', 8, 0.5), (7, '乙', 2, 30), (7, NULL, NULL, NULL);"
          "INSERT INTO detail_o(bill_id, user_id, Type, used_time) VALUES (9, '旧', 4, 2.25);");
  ServerProcess server(dir);
  Client c(dir.port());
  ASSERT_EQ(c.login(u"hu", u"pw"), u"ACCEPTED");

  const std::u16string FS(1, tav::FieldSep);
  const Rows history7{{u"4", u"u3(丙)", u"47001.75"}, {u"2", u"u2(乙)", u"47000.5"}, {u"1", u"u1(甲)", u"47000.25"}};
  const Rows archived9{{u"16", u"old(旧)", u"46000.5"}};
  struct Case {
    std::u16string request;
    Rows rows;
  };
  for (const Case& k : {
           Case{u"DETAIL1STATUS7", history7},
           Case{u"DETAIL1STATUS7" + FS, history7},
           Case{u"DETAIL0STATUS9", archived9},
           Case{u"DETAIL2STATUS9", archived9},  // any flag but "1" means the archive
           Case{u"DETAIL1STATUS9", {}},
           Case{u"DETAIL0STATUS7", {}},
           Case{u"DETAIL1STATUS99", {}},
           Case{u"DETAIL1STATUS4294967303", {}},  // 2^32 + 7 is not order 7
           Case{u"DETAIL1USTIME7", {{u"", u"", u""}, {u"乙", u"2", u"30"}, {u"甲", u"1", u"1.5"}}},
           Case{u"DETAIL1USTIME12" + FS, {{u"丁", u"8", u"0.5"}}},
           Case{u"DETAIL0USTIME9", {{u"旧", u"4", u"2.25"}}},
           Case{u"DETAIL1USTIMX7", {}},
           Case{u"DETAIL1status7", {}},
           Case{u"DETAIL1", {}},
       })
    EXPECT_EQ(records(c.callList(k.request)), k.rows) << utf8(k.request);

  // No matching row and an unknown sub-word both give the terminator alone.
  for (const char16_t* request : {u"DETAIL1STATUS1", u"DETAIL1NOTHIN7"}) {
    ASSERT_TRUE(c.request(request));
    EXPECT_EQ(c.readList(), std::string(tav::MsgEnd)) << utf8(request);
  }
}
