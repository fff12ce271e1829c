// Table definitions of TAVusers.mdb, TAVequipment.mdb, TAVrecords.mdb and
// TAVconst.mdb, and the SQL text generated from them.
#include "TAVserver/store/schema.h"

#include <array>

#include "TAVserver/store/internal.h"

namespace tav::schema {
namespace {

using T = FieldType;

constexpr Field opt(std::string_view n, FieldType t) { return Field{n, t}; }
constexpr Field req(std::string_view n, FieldType t) { return Field{n, t, false}; }
constexpr Field zero(std::string_view n, FieldType t) { return Field{n, t, false, Unique::None, "0"}; }
constexpr Field zeroOpt(std::string_view n, FieldType t) { return Field{n, t, true, Unique::None, "0"}; }
constexpr Field keyed(std::string_view n, FieldType t) { return Field{n, t, true, Unique::None, {}, false, true}; }

// ---- TAVusers.mdb ----------------------------------------------------------

// Clearing a saved search addresses sears1..sname4 by position 7..18, so
// exactly seven fields come before them.
constexpr Field kUsers[] = {
    {"user_id", T::Text, false, Unique::NoCase},
    opt("Password", T::Text),
    opt("user_name", T::Text),
    zero("Right", T::Int32),
    zero("Type", T::Int32),
    zero("canceled", T::Int32),
    zero("times", T::Int32),
    opt("sears1", T::Text), opt("sorts1", T::Text), opt("sname1", T::Text),
    opt("sears2", T::Text), opt("sorts2", T::Text), opt("sname2", T::Text),
    opt("sears3", T::Text), opt("sorts3", T::Text), opt("sname3", T::Text),
    opt("sears4", T::Text), opt("sorts4", T::Text), opt("sname4", T::Text),
    zeroOpt("doub", T::DateTime),
    zero("newimpw", T::Bool),
};

constexpr Field kAdmins[] = {
    {"adID", T::Text, false, Unique::NoCase},
    opt("adPswd", T::Text),
    opt("adName", T::Text),
    zero("times", T::Int32),
    zeroOpt("doub", T::DateTime),
    zero("newstitu", T::Bool),
};

// A free grant has no user_id; its other fields stay until the record is reused.
constexpr Field kImpower[] = {
    req("autonum", T::Int32),
    opt("user_id", T::Text),
    opt("user_name", T::Text),
    opt("right_id", T::Int32),
    opt("to_user_id", T::Text),
    opt("to_user_name", T::Text),
    opt("to_user_cancel", T::Int32),
    opt("usedate", T::Day),
    opt("uselessdate", T::Day),
};

constexpr Field kNewUserEqu[] = {
    req("autonum", T::Int32),
    opt("admini", T::Text),
    opt("adminn", T::Text),
    opt("dayed", T::Day),
    opt("user_id", T::Text),
    opt("ouname", T::Text),
    opt("Password", T::Text),
    opt("rights", T::Int32),
    opt("types", T::Int32),
    opt("passed", T::Text),
    opt("passname", T::Text),
};

constexpr Field kChangeRequ[] = {
    req("autonum", T::Int32),
    opt("admini", T::Text),
    opt("adminn", T::Text),
    opt("dayed", T::Day),
    opt("user_id", T::Text),
    opt("ouname", T::Text),
    opt("oright", T::Int32),
    opt("otype", T::Int32),
    opt("ocan", T::Int32),
    opt("nuname", T::Text),
    opt("npassword", T::Text),
    opt("nright", T::Int32),
    opt("ntype", T::Int32),
    opt("ncan", T::Int32),
    opt("passed", T::Text),
    opt("passname", T::Text),
};

// user_id holds the proposer's display name here, not a login ID.
constexpr Field kManaName[] = {
    req("autonum", T::Int32),
    opt("admini", T::Text),
    opt("user_id", T::Text),
    opt("dayed", T::Day),
    opt("ouname", T::Text),
    opt("passed", T::Text),
    opt("passname", T::Text),
};

// The server reads and writes only position 1 of the first row: the day of the
// next yearly archive.
constexpr Field kAdacess[] = {
    req("autonum", T::Int32),
    req("archday", T::Day),
};

// ---- TAVequipment.mdb ------------------------------------------------------

constexpr Field kEquipment[] = {
    {"equip_id", T::Int32, false, Unique::Exact},
    opt("equip_name", T::Text),
    {"equip_locate", T::Text, true, Unique::NoCase},
    opt("buied_date", T::Day),
    opt("equip_imp", T::Int32),
    opt("madeby", T::Text),
    opt("Parameter", T::Text),
    opt("equip_use", T::Int32),
    opt("uselessday", T::Day),
    opt("Memo", T::Text),
};

// Positions 5..24 and 25..44 are read by position (location k at 4 + k, its
// equipment name at 24 + k); a free pool record has no name, so free records
// never collide under the unique name.
constexpr Field kCollection[] = {
    req("autonum", T::Int32),
    {"name", T::Text, true, Unique::Exact},
    opt("descr", T::Text),
    opt("iday", T::DateTime),
    opt("person", T::Text),
    opt("loccode1", T::Text),  opt("loccode2", T::Text),  opt("loccode3", T::Text),
    opt("loccode4", T::Text),  opt("loccode5", T::Text),  opt("loccode6", T::Text),
    opt("loccode7", T::Text),  opt("loccode8", T::Text),  opt("loccode9", T::Text),
    opt("loccode10", T::Text), opt("loccode11", T::Text), opt("loccode12", T::Text),
    opt("loccode13", T::Text), opt("loccode14", T::Text), opt("loccode15", T::Text),
    opt("loccode16", T::Text), opt("loccode17", T::Text), opt("loccode18", T::Text),
    opt("loccode19", T::Text), opt("loccode20", T::Text),
    opt("locname1", T::Text),  opt("locname2", T::Text),  opt("locname3", T::Text),
    opt("locname4", T::Text),  opt("locname5", T::Text),  opt("locname6", T::Text),
    opt("locname7", T::Text),  opt("locname8", T::Text),  opt("locname9", T::Text),
    opt("locname10", T::Text), opt("locname11", T::Text), opt("locname12", T::Text),
    opt("locname13", T::Text), opt("locname14", T::Text), opt("locname15", T::Text),
    opt("locname16", T::Text), opt("locname17", T::Text), opt("locname18", T::Text),
    opt("locname19", T::Text), opt("locname20", T::Text),
    zeroOpt("refer", T::Int32),
};

// Positions 0..15 form the list record, so their order is fixed.
constexpr Field kPrewo[] = {
    req("Number", T::Int32),
    {"name", T::Text, true, Unique::Exact},
    opt("discr", T::Text),
    opt("colnum", T::Int32),
    opt("colnam", T::Text),
    opt("pointto", T::Text),
    opt("begday", T::Day),
    opt("every", T::Int32),
    opt("perio", T::Int32),
    zeroOpt("isusing", T::Int32),
    opt("sperson", T::Text),
    opt("spersid", T::Text),
    opt("sday", T::DateTime),
    opt("aperson", T::Text),
    opt("aday", T::DateTime),
    zeroOpt("statu", T::Int32),
    opt("autocreate", T::Day),
};

// ---- TAVrecords.mdb --------------------------------------------------------

// The archive copies rows by position, so list_o differs from list only in
// bill_id being a plain number that keeps the order's number.
constexpr std::array<Field, 19> listFields(Field billId) {
    return {billId,
            opt("equip_id", T::Int32),
            opt("comofequip", T::Text),
            opt("Description", T::Text),
            opt("Status", T::Int32),
            opt("bill_type", T::Text),
            opt("em_level", T::Int32),
            zeroOpt("usetime", T::Int32),
            opt("createid", T::Text),
            opt("createname", T::Text),
            opt("created_date", T::Day),
            opt("begin_date", T::Day),
            opt("compl_date", T::Day),
            opt("done_date", T::Day),
            opt("pointto", T::Text),
            opt("reason", T::Text),
            opt("solute", T::Text),
            opt("scribebyeng", T::Text),
            zeroOpt("equs", T::Int32)};
}

constexpr auto kList = listFields(Field{"bill_id", T::Int32, false, Unique::None, {}, true});
// In the archive the number is kept as a unique field, found through its index.
constexpr auto kListO = listFields(Field{"bill_id", T::Int32, false, Unique::Exact});

constexpr Field kStatus[] = {
    keyed("bill_id", T::Int32),
    opt("Status", T::Int32),
    opt("User", T::Text),
    opt("Time", T::DateTime),
};

constexpr Field kDetail[] = {
    keyed("bill_id", T::Int32),
    opt("user_id", T::Text),
    opt("Type", T::Int32),
    opt("used_time", T::Real),
};

// usetime collects a fractional share of the order's used time.
constexpr Field kSublist[] = {
    keyed("bill_id", T::Int32),
    opt("equip_id", T::Int32),
    opt("equipname", T::Text),
    zeroOpt("usetime", T::Real),
};

// ---- TAVconst.mdb ----------------------------------------------------------

constexpr Field kRightscribe[] = {
    opt("Fields", T::Text),
    opt("states", T::Int32),
    opt("powers", T::Int32),
    opt("tostas", T::Int32),
};

// Read by position 0..9; the names only help whoever edits the constants.
constexpr Field kManage[] = {
    opt("equright", T::Int32),  opt("spare", T::Int32),      opt("donesta", T::Int32),
    opt("donesta2", T::Int32),  opt("arrsta", T::Int32),     opt("scrapuse", T::Int32),
    opt("reportright", T::Int32), opt("colright", T::Int32), opt("newwo", T::Int32),
    opt("pworight", T::Int32),
};

constexpr Field kType[] = {opt("type_id", T::Text), opt("type_name", T::Text)};
constexpr Field kRights[] = {opt("right_id", T::Int32), opt("right_name", T::Text)};
constexpr Field kSpecial[] = {opt("type_id", T::Int32), opt("type_name", T::Text)};
constexpr Field kStatusNames[] = {opt("right_id", T::Int32), opt("right_name", T::Text)};

const std::array kTables = {
    Table{"users", FileId::Users, kUsers},
    Table{"admins", FileId::Users, kAdmins},
    Table{"impower", FileId::Users, kImpower},
    Table{"changerequ", FileId::Users, kChangeRequ},
    Table{"newuserequ", FileId::Users, kNewUserEqu},
    Table{"mananame", FileId::Users, kManaName},
    Table{"adacess", FileId::Users, kAdacess},
    Table{"equipment", FileId::Equipment, kEquipment},
    Table{"collection", FileId::Equipment, kCollection},
    Table{"prewo", FileId::Equipment, kPrewo},
    Table{"list", FileId::Records, kList},
    Table{"status", FileId::Records, kStatus},
    Table{"detail", FileId::Records, kDetail},
    Table{"sublist", FileId::Records, kSublist},
    Table{"list_o", FileId::Records, kListO},
    Table{"status_o", FileId::Records, kStatus},
    Table{"detail_o", FileId::Records, kDetail},
    Table{"sublist_o", FileId::Records, kSublist},
    Table{"rightscribe", FileId::Const, kRightscribe},
    Table{"manage", FileId::Const, kManage},
    Table{"type", FileId::Const, kType},
    Table{"rights", FileId::Const, kRights},
    Table{"special", FileId::Const, kSpecial},
    Table{"status", FileId::Const, kStatusNames},
};

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

std::string_view sqlType(FieldType t) {
    switch (t) {
        case FieldType::Int32:
        case FieldType::Day:
        case FieldType::Bool: return "INTEGER";
        case FieldType::DateTime:
        case FieldType::Real: return "REAL";
        case FieldType::Text: return "TEXT";
    }
    return "TEXT";
}

}  // namespace

std::string_view fileName(FileId file) {
    switch (file) {
        case FileId::Users: return "TAVusers.mdb";
        case FileId::Equipment: return "TAVequipment.mdb";
        case FileId::Records: return "TAVrecords.mdb";
        case FileId::Const: return "TAVconst.mdb";
    }
    return {};
}

const Field* Table::field(std::string_view fieldName) const {
    for (const Field& f : fields)
        if (equalNoCase(f.name, fieldName)) return &f;
    return nullptr;
}

std::optional<std::size_t> Table::position(std::string_view fieldName) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalNoCase(fields[i].name, fieldName)) return i;
    return std::nullopt;
}

const Field* Table::fieldAt(std::size_t pos) const {
    return pos < fields.size() ? &fields[pos] : nullptr;
}

std::span<const Table> tables() { return kTables; }

std::vector<const Table*> tablesOf(FileId file) {
    std::vector<const Table*> out;
    for (const Table& t : kTables)
        if (t.file == file) out.push_back(&t);
    return out;
}

const Table* findTable(FileId file, std::string_view tableName) {
    for (const Table& t : kTables)
        if (t.file == file && t.name == tableName) return &t;
    return nullptr;
}

std::string quoteIdent(std::string_view ident) { return store::detail::quoteIdent(ident); }

std::vector<std::string> createStatements(const Table& table) {
    std::vector<std::string> out;
    std::string sql = "CREATE TABLE " + quoteIdent(table.name) + " (";
    bool first = true;
    for (const Field& f : table.fields) {
        if (!first) sql += ", ";
        first = false;
        sql += quoteIdent(f.name);
        sql += ' ';
        sql += sqlType(f.type);
        if (f.autoKey) {
            sql += " PRIMARY KEY AUTOINCREMENT";
            continue;
        }
        if (!f.nullable) sql += " NOT NULL";
        if (!f.defaultValue.empty()) {
            sql += " DEFAULT ";
            sql += f.defaultValue;
        }
    }
    sql += ')';
    out.push_back(std::move(sql));

    for (const Field& f : table.fields) {
        if (f.unique == Unique::None) continue;
        std::string idx = "CREATE UNIQUE INDEX " + quoteIdent(std::string(table.name) + "_" +
                                                              std::string(f.name) + "_unique") +
                          " ON " + quoteIdent(table.name) + " (" + quoteIdent(f.name);
        if (f.unique == Unique::NoCase) idx += " COLLATE NOCASE";
        idx += ')';
        out.push_back(std::move(idx));
    }
    for (const Field& f : table.fields) {
        if (!f.indexed) continue;
        out.push_back("CREATE INDEX " + quoteIdent(std::string(table.name) + "_" + std::string(f.name)) + " ON " +
                      quoteIdent(table.name) + " (" + quoteIdent(f.name) + ")");
    }
    return out;
}

std::vector<std::string> createStatements(FileId file) {
    std::vector<std::string> out;
    for (const Table* t : tablesOf(file)) {
        auto part = createStatements(*t);
        out.insert(out.end(), std::make_move_iterator(part.begin()),
                   std::make_move_iterator(part.end()));
    }
    return out;
}

}  // namespace tav::schema
