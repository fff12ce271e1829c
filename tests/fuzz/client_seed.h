// The layout of a client fuzz input, shared by the target and the tests'
// harvest of real replies: which reader a reply goes to, by its request.
#pragma once
#include <cstdint>
#include <string_view>

namespace tavfuzz {

// Byte 0 of an input (modulo Count); byte 1 picks the read pattern; the
// rest is the bytes as they arrive on the socket.
enum ClientReader : uint8_t {
  Wo19,         // QUICKYWORKO: readWoRecords with 19 fields
  Wo20,         // ADVAWO, a saved search: readWoRecords with 20 fields
  Equ,          // QUICKYASSET, ADVASS: readEquRecords
  Grade,        // MYGRAD: parseGradeReply
  Preset,       // a saved search's conditions, sorts and name, each ended by RecordSep: parsePreset
  Report,       // REPORT: parseReport
  Collections,  // GETCOL: parseCollections
  Locations,    // ALLCOL: parseLocations
  Preventive,   // GETPRE: parsePreventive
  ClientReaderCount
};

// The reader of the reply to a request body; ClientReaderCount for a reply
// no list reader takes.
inline ClientReader readerOfRequest(std::u16string_view request) {
  struct Word {
    std::u16string_view word;
    ClientReader reader;
  };
  static constexpr Word words[] = {
      {u"QUICKYWORKO", Wo19},   {u"ADVAWO", Wo20},   {u"QUICKYASSET", Equ},        {u"ADVASS", Equ},
      {u"MYGRAD", Grade},       {u"REPORT", Report}, {u"GETCOL", Collections},     {u"ALLCOL", Locations},
      {u"GETPRE", Preventive},
  };
  for (const Word& w : words)
    if (request.substr(0, w.word.size()) == w.word) return w.reader;
  return ClientReaderCount;
}

}  // namespace tavfuzz
