// Saved work-order searches: the two length limits, the four slots, and
// the way saved slots come back in the grade reply.
#include <gtest/gtest.h>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const std::u16string FS(1, tav::FieldSep), RS(1, tav::RecordSep);

void addUser(ServerDir& dir, const std::string& id) {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, canceled) VALUES('" + id + "', '" +
                              tav::toUtf8(tav::encodePswd(u"pw")) + "', '" + id + "', 0)");
}

std::u16string save(Client& c, const std::u16string& slot, const std::u16string& conditions,
                    const std::u16string& sorts, const std::u16string& name) {
  return c.call(u"WOSAVE" + slot + FS + conditions + RS + sorts + RS + name);
}

// The twelve saved-search texts at the end of the grade reply.
std::vector<std::u16string> savedFields(Client& c) {
  const std::u16string grade = c.callList(u"MYGRAD");
  std::vector<std::u16string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = grade.find(tav::RecordSep, from)) != std::u16string::npos; from = at + 1)
    parts.push_back(grade.substr(from, at - from));
  EXPECT_EQ(from, grade.size());
  EXPECT_EQ(parts.size(), 19u);
  return parts.size() < 12 ? parts : std::vector<std::u16string>(parts.end() - 12, parts.end());
}

std::vector<std::u16string> slots(std::vector<std::u16string> s1, std::vector<std::u16string> s2,
                                  std::vector<std::u16string> s3, std::vector<std::u16string> s4) {
  std::vector<std::u16string> out;
  for (auto* s : {&s1, &s2, &s3, &s4}) out.insert(out.end(), s->begin(), s->end());
  return out;
}

}  // namespace

TEST(SavedSearches, SaveLimitsSlotsAndDelete) {
  ServerDir dir;
  addUser(dir, "su");
  ServerProcess server(dir);
  Client c(dir.port());
  ASSERT_EQ(c.login(u"su", u"pw"), u"ACCEPTED");

  const std::u16string cond200 = u"(" + FS + u"3" + FS + u"6" + FS + std::u16string(189, u'泵') + FS + u")" + FS + u"T" + FS;
  ASSERT_EQ(cond200.size(), 200u);
  const std::u16string sorts = u"2" + FS + u"True" + FS + u"0" + FS + u"False" + FS + u"0" + FS + u"False" + FS;
  const std::u16string name12 = u"十二个字的名字一二三四五";
  ASSERT_EQ(name12.size(), 12u);
  const std::vector<std::u16string> empty{u"", u"", u""};

  EXPECT_EQ(save(c, u"2", cond200, sorts, name12), u"IGOTIT");
  EXPECT_EQ(save(c, u"4", u"x", u"y", u""), u"IGOTIT");  // an empty name is a name
  struct Refused {
    std::u16string request, answer;
  };
  for (const Refused& r : {
           Refused{u"3" + FS + cond200 + u"x" + RS + sorts + RS + name12 + u"十", u"SEARCH"},
           Refused{u"3" + FS + u"c" + RS + sorts + RS + name12 + u"十", u"NAMETO"},
           Refused{u"0" + FS + u"c" + RS + RS + u"n", u"UWRONG"},
           Refused{u"5" + FS + u"c" + RS + RS + u"n", u"UWRONG"},
           Refused{u"12" + FS + u"c" + RS + RS + u"n", u"UWRONG"},
           Refused{FS + u"c" + RS + RS + u"n", u"UWRONG"},
           Refused{u"3" + FS + u"c" + RS + u"no second separator", u"UWRONG"},
           Refused{u"3", u"UWRONG"},
       })
    EXPECT_EQ(c.call(u"WOSAVE" + r.request), r.answer) << utf8(r.request);
  EXPECT_EQ(savedFields(c), slots(empty, {cond200, sorts, name12}, empty, {u"x", u"y", u""}));

  // A save replaces the slot's three texts together; characters that would
  // break the reply's framing are not stored.
  EXPECT_EQ(save(c, u"2", u"c", u"s", u"新" + std::u16string(1, 23) + u"名" + RS + u"字"), u"IGOTIT");
  EXPECT_EQ(savedFields(c), slots(empty, {u"c", u"s", u"新名字"}, empty, {u"x", u"y", u""}));

  EXPECT_EQ(c.call(u"WODELE2"), u"IGOTIT");
  EXPECT_EQ(c.call(u"WODELE1"), u"IGOTIT");  // already empty
  for (const char16_t* bad : {u"WODELE0", u"WODELE5", u"WODELE", u"WODELE44", u"WODELE-1"})
    EXPECT_EQ(c.call(bad), u"UWRONG") << utf8(bad);
  EXPECT_EQ(savedFields(c), slots(empty, empty, empty, {u"x", u"y", u""}));

  // An administrator has no saved searches to keep.
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  EXPECT_EQ(save(admin, u"1", u"c", u"s", u"n"), u"NOTHIS");
  EXPECT_EQ(admin.call(u"WODELE1"), u"IGOTIT");

  server.stop();
  // An emptied slot holds no value at all, not empty texts.
  EXPECT_EQ(dir.query("TAVusers.mdb",
                      "SELECT ((sears2 IS NULL) + (sorts2 IS NULL) + (sname2 IS NULL)) || ',' || "
                      "quote(sname4) FROM users WHERE user_id='su'"),
            "3,''");
}
