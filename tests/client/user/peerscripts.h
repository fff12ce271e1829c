// The server's side of a login, played by a scripted peer, and an exchange
// run from the user client's window.
#pragma once
#include <string>

#include "protocol/wire.h"
#include "tests/client/support/clienttest.h"

namespace tavtest {

// The smallest start-of-session reply the client takes: a header, empty
// tables, ten numbers and four unset saved searches.
inline std::string minimalGradeReply() {
  std::u16string r = u"测试";
  r += tav::FieldSep;
  for (const char16_t* n : {u"1", u"0", u"0"}) {
    r += n;
    r += tav::FieldSep;
  }
  r += tav::RecordSep;
  r += std::u16string(5, tav::RecordSep);
  for (int i = 0; i < 10; ++i) {
    r += u"0";
    r += tav::FieldSep;
  }
  r += tav::RecordSep;
  r += std::u16string(12, tav::RecordSep);
  return tav::toUtf16le(r) + std::string(tav::MsgEnd);
}

// Greeting, record, "ACCEPTED", the knock and "MYGRAD": the client is then
// logged on. The record received is kept in `record`; `grade` is the
// start-of-session reply sent.
inline bool playLogin(PeerConn& c, std::string* record = nullptr, const std::string& grade = minimalGradeReply()) {
  c.send(greetingAt());
  std::string rec = c.read(131);
  if (record) *record = rec;
  if (rec.size() != 131) return false;
  c.sendWord(u"ACCEPTED");
  if (c.read(12) != tav::toUtf16le(u"CLIENT")) return false;
  c.sendWord(u"APPROV");
  if (c.readRequest() != tav::toUtf16le(u"MYGRAD") + std::string(tav::MsgEnd)) return false;
  c.send(grade);
  return true;
}

}  // namespace tavtest
