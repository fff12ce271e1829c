// The login exchange: the server's 30-byte greeting, the client's 131-byte
// login record in both directions, and the words and tags of the login.
#pragma once

#include "protocol/daynum.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

inline constexpr std::size_t ChallengeSize = 16;
inline constexpr std::size_t GreetingSize = 30;  // challenge + "yyyyMMddHHmmss"
inline constexpr std::size_t LoginRecordSize = 131;
inline constexpr std::size_t AnswerUnits = 32;
inline constexpr std::size_t ClientTagUnits = 7;
inline constexpr std::size_t LoginIdUnits = 10;
inline constexpr std::size_t PasswordUnits = 16;

// Login replies (word replies; "CHANGEMS" follows "ACCEPTED" in one send,
// a user's display name follows "WRONGPSWD").
inline constexpr std::u16string_view ReplyAccepted = u"ACCEPTED";
inline constexpr std::u16string_view ReplyAcceptedHaveImpw = u"ACCEPTEDHAVEIMPW";
inline constexpr std::u16string_view ReplyChangeMs = u"CHANGEMS";
inline constexpr std::u16string_view ReplyWrongVer = u"WRONGVER";
inline constexpr std::u16string_view ReplyWrongUser = u"WRONGUSER";
inline constexpr std::u16string_view ReplyWrongPswd = u"WRONGPSWD";
inline constexpr std::u16string_view ReplyLocked = u"LOCKED";
inline constexpr std::u16string_view ReplyFreezed = u"FREEZED!";
inline constexpr std::u16string_view ReplyFullUses = u"FULLUSES";

inline constexpr std::u16string_view TagUser = u"user001";
inline constexpr std::u16string_view TagSuper = u"supe001";
// The server accepts a tag that occurs anywhere in this list.
inline constexpr std::u16string_view TagList = u"user001,supe001";
// Marks an administrator ID in the login record.
inline constexpr char16_t AdminPrefix = 14;

// The challenge (16 single-byte characters) followed by `now` as
// "yyyyMMddHHmmss". Throws std::invalid_argument when the challenge is not
// 16 bytes or the year does not have four digits.
std::string makeGreeting(std::string_view challenge16, const LocalDateTime& now);

// The greeting's first 16 characters as text, the input of the challenge answer.
std::u16string greetingChallenge(std::string_view greeting30);

// The client's 131-byte record for this greeting. nullopt (nothing is built)
// when the greeting is not 30 bytes with time digits, the tag is not 7 code
// units, the ID is longer than 10 or the password longer than 16 code units.
// The password units after the password carry the bytes of `filler` as their
// low bytes (zeros once it runs out); clients pass random bytes.
std::optional<std::string> buildLoginRecord(std::string_view greeting30, std::u16string_view clientTag,
                                            std::u16string_view loginId, std::u16string_view password,
                                            std::string_view filler = {});

struct LoginRecord {
    std::u16string answer;    // 32 code units, compared with encodePswd of the challenge
    std::u16string tag;       // 7 code units
    std::u16string id;        // up to the first NUL, at most 10 code units
    std::u16string password;  // unscrambled, at most 16 code units
};

// nullopt when the record is not 131 bytes or its decoded password length
// exceeds 16 (no client sends that; the server refuses it).
std::optional<LoginRecord> parseLoginRecord(std::string_view rec131, std::uint8_t key);

}  // namespace tav
