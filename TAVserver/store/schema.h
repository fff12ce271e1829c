// The fixed catalogue of every table of the four database files: names, field
// order, field kinds, keys, and the SQL that creates them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tav::schema {

enum class FileId { Users, Equipment, Records, Const };

inline constexpr FileId kAllFiles[] = {FileId::Users, FileId::Equipment, FileId::Records,
                                       FileId::Const};

// "TAVusers.mdb", "TAVequipment.mdb", "TAVrecords.mdb", "TAVconst.mdb".
std::string_view fileName(FileId file);

// Int32, Day and Bool are stored as INTEGER (Bool as 0/1), DateTime and Real as
// REAL (DateTime is a day number with the time of day as fraction), Text as TEXT.
enum class FieldType { Int32, Day, DateTime, Real, Text, Bool };

// Exact: the store refuses a second row with the same value (byte comparison).
// NoCase: the same, with ASCII letters folded; only A-Z/a-z fold, so two texts
// that differ in the case of non-ASCII letters (e.g. full-width Latin) are
// still distinct. Rows without value never collide in either kind.
enum class Unique { None, Exact, NoCase };

struct Field {
    std::string_view name;  // spelled exactly as the system spells it
    FieldType type;
    // A row may hold no value here. Only keys and the fields that must never be
    // empty are closed; every other field may be left without value on insert.
    bool nullable = true;
    Unique unique = Unique::None;
    // SQL literal taken when an insert does not name the field; empty for none.
    std::string_view defaultValue = {};
    // Store-assigned number that is never handed out twice, even after the row
    // it was given to is deleted.
    bool autoKey = false;
    // The rows of one work order are looked up by this field, so it carries
    // an index (the lookup then costs the matches, not the table).
    bool indexed = false;
};

struct Table {
    std::string_view name;
    FileId file;
    std::span<const Field> fields;

    // Case-insensitive (ASCII) lookup; nullptr when the table has no such field.
    const Field* field(std::string_view fieldName) const;
    std::optional<std::size_t> position(std::string_view fieldName) const;
    // Position counted from 0 in table order; nullptr past the last field.
    const Field* fieldAt(std::size_t pos) const;
};

// Every table of every file, in the order in which the files are listed above.
std::span<const Table> tables();
// The tables of one file, in catalogue order.
std::vector<const Table*> tablesOf(FileId file);
// Exact, case-sensitive table name within one file; nullptr when unknown. The
// file is part of the key: "status" names the work-order history in
// TAVrecords.mdb and the status names in TAVconst.mdb.
const Table* findTable(FileId file, std::string_view tableName);

// CREATE TABLE followed by any CREATE INDEX the table needs.
std::vector<std::string> createStatements(const Table& table);
// The statements of every table of the file, in catalogue order.
std::vector<std::string> createStatements(FileId file);

// Names inside double quotes, with embedded quotes doubled.
std::string quoteIdent(std::string_view ident);

}  // namespace tav::schema
