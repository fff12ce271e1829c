// Greeting and login record: building on the client side, reading on the
// server side, with the same byte layout in one place.

#include "protocol/login.h"

#include "protocol/password.h"
#include "protocol/wire.h"

#include <stdexcept>

namespace tav {

namespace {

// Byte offsets inside the login record.
constexpr std::size_t AnswerAt = 0;
constexpr std::size_t TagAt = AnswerAt + 2 * AnswerUnits;         // 64
constexpr std::size_t IdAt = TagAt + 2 * ClientTagUnits;          // 78
constexpr std::size_t PasswordAt = IdAt + 2 * LoginIdUnits;       // 98
constexpr std::size_t LengthAt = PasswordAt + 2 * PasswordUnits;  // 130
static_assert(LengthAt + 1 == LoginRecordSize);

std::u16string unitsAt(std::string_view rec, std::size_t at, std::size_t units) {
    return fromUtf16le(rec.substr(at, 2 * units));
}

bool validKeySource(std::string_view greeting) {
    if (greeting.size() != GreetingSize)
        return false;
    for (std::size_t i = 24; i < GreetingSize; ++i)
        if (greeting[i] < '0' || greeting[i] > '9')
            return false;
    return true;
}

}  // namespace

std::string makeGreeting(std::string_view challenge16, const LocalDateTime& now) {
    if (challenge16.size() != ChallengeSize)
        throw std::invalid_argument("makeGreeting: challenge must be 16 bytes");
    std::string stamp = formatStamp(now);
    if (stamp.size() != GreetingSize - ChallengeSize)
        throw std::invalid_argument("makeGreeting: time has no four-digit year");
    return std::string(challenge16) + stamp;
}

std::u16string greetingChallenge(std::string_view greeting30) {
    std::u16string out;
    for (char c : greeting30.substr(0, ChallengeSize))
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

std::optional<std::string> buildLoginRecord(std::string_view greeting30, std::u16string_view clientTag,
                                            std::u16string_view loginId, std::u16string_view password,
                                            std::string_view filler) {
    if (!validKeySource(greeting30) || clientTag.size() != ClientTagUnits || loginId.size() > LoginIdUnits ||
        password.size() > PasswordUnits)
        return std::nullopt;
    const std::uint8_t key = loginKey(greeting30);

    std::string rec = toUtf16le(encodePswd(greetingChallenge(greeting30)));
    rec += toUtf16le(clientTag);

    std::u16string id(loginId);
    id.resize(LoginIdUnits, u'\0');  // a shorter ID ends at its NUL; zeros after it
    rec += toUtf16le(id);

    std::u16string pw(password);
    for (char16_t& u : pw)
        u ^= key;  // the key is one byte: only the low byte changes
    for (std::size_t i = 0; pw.size() < PasswordUnits; ++i)
        pw.push_back(i < filler.size() ? static_cast<char16_t>(static_cast<std::uint8_t>(filler[i])) : u'\0');
    rec += toUtf16le(pw);

    rec += static_cast<char>(static_cast<std::uint8_t>(password.size()) ^ key);
    return rec;
}

std::optional<LoginRecord> parseLoginRecord(std::string_view rec131, std::uint8_t key) {
    if (rec131.size() != LoginRecordSize)
        return std::nullopt;
    const std::size_t length = static_cast<std::uint8_t>(rec131[LengthAt]) ^ key;
    if (length > PasswordUnits)
        return std::nullopt;

    LoginRecord r;
    r.answer = unitsAt(rec131, AnswerAt, AnswerUnits);
    r.tag = unitsAt(rec131, TagAt, ClientTagUnits);
    r.id = unitsAt(rec131, IdAt, LoginIdUnits);
    if (auto nul = r.id.find(u'\0'); nul != std::u16string::npos)
        r.id.resize(nul);
    r.password = unitsAt(rec131, PasswordAt, length);
    for (char16_t& u : r.password)
        u ^= key;
    return r;
}

}  // namespace tav
