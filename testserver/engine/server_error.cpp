#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

std::string inQuotes(std::string_view text) {
    return "'" + std::string(text) + "'";
}

} // namespace

ServerError::ServerError(ServerMessage message, bool abortsBatch)
    : std::runtime_error(message.text), m_messages{std::move(message)}, m_abortsBatch(abortsBatch) {
}

ServerError::ServerError(std::vector<ServerMessage> messages, bool abortsBatch)
    : std::runtime_error(messages.empty() ? std::string() : messages.front().text),
      m_messages(std::move(messages)), m_abortsBatch(abortsBatch) {}

namespace messages {

ServerMessage make(int number, int severity, std::string text, int state) {
    ServerMessage message;
    message.number = number;
    message.severity = severity;
    message.state = state;
    message.text = std::move(text);
    return message;
}

namespace {

ServerError error(int number, int severity, std::string text, int state = 1) {
    return ServerError(make(number, severity, std::move(text), state));
}

ServerError pair(ServerMessage first, ServerMessage second) {
    return ServerError(std::vector<ServerMessage>{std::move(first), std::move(second)}, false);
}

} // namespace

ServerError syntaxNear(std::string_view token) {
    return ServerError(make(102, 15, "Incorrect syntax near " + inQuotes(token) + "."), true);
}

ServerError syntaxNearKeyword(std::string_view word) {
    return ServerError(make(156, 15, "Incorrect syntax near the keyword " + inQuotes(word) + "."),
                       true);
}

ServerError syntaxAtEnd() {
    return ServerError(make(170, 15, "Line 1: Incorrect syntax near end of batch."), true);
}

ServerError mustBeFirstInBatch(std::string_view what) {
    return ServerError(
        make(111, 15, inQuotes(what) + " must be the first statement in a query batch."), true);
}

ServerError invalidObjectName(std::string_view name) {
    return error(208, 16, "Invalid object name " + inQuotes(name) + ".");
}

ServerError invalidColumnName(std::string_view name) {
    return error(207, 16, "Invalid column name " + inQuotes(name) + ".", 3);
}

ServerError objectExists(std::string_view name) {
    return error(2714, 16,
                 "There is already an object named " + inQuotes(name) + " in the database.", 6);
}

ServerError alterMissingTable(std::string_view table, std::string_view database) {
    return error(4902, 16,
                 "Cannot alter table " + inQuotes(table) +
                     " because this table does not exist in database " + inQuotes(database) + ".");
}

ServerError alterMissingColumn(std::string_view column, std::string_view table) {
    return error(4924, 16,
                 "ALTER TABLE ALTER COLUMN failed because column " + inQuotes(column) +
                     " does not exist in table " + inQuotes(table) + ".");
}

ServerError dropMissingColumn(std::string_view column, std::string_view table) {
    return error(4924, 16,
                 "ALTER TABLE DROP COLUMN failed because column " + inQuotes(column) +
                     " does not exist in table " + inQuotes(table) + ".");
}

ServerError dropMissingObject(std::string_view kind, std::string_view name) {
    return error(3701, 11,
                 "Cannot drop the " + std::string(kind) + " " + inQuotes(name) +
                     ", because it does not exist in the system catalog.",
                 5);
}

ServerError dropMissingIndex(std::string_view table, std::string_view index) {
    return error(3703, 11,
                 "Cannot drop the index " +
                     inQuotes(std::string(table) + "." + std::string(index)) +
                     ", because it does not exist in the system catalog.",
                 7);
}

ServerError notAConstraint(std::string_view name) {
    return pair(make(3728, 16, inQuotes(name) + " is not a constraint."),
                make(3727, 16, "Could not drop constraint. See previous errors."));
}

ServerError dependentColumn(std::string_view dependentKind, std::string_view dependent,
                            std::string_view column, bool drop) {
    return pair(make(5074, 16,
                     "The " + std::string(dependentKind) + " " + inQuotes(dependent) +
                         " is dependent on column " + inQuotes(column) + "."),
                make(4922, 16,
                     std::string(drop ? "ALTER TABLE DROP COLUMN " : "ALTER TABLE ALTER COLUMN ") +
                         std::string(column) +
                         " failed because one or more objects access this column.",
                     9));
}

ServerError duplicateColumn(std::string_view column, std::string_view table) {
    return error(2705, 16,
                 "Column names in each table must be unique. Column name " + inQuotes(column) +
                     " in table " + inQuotes(table) + " is specified more than once.",
                 3);
}

ServerError columnAlreadyInTable(std::string_view column, std::string_view table) {
    return error(2705, 16,
                 "Column names in each table must be unique. Column name " + inQuotes(column) +
                     " in table " + inQuotes(table) + " is specified more than once.",
                 4);
}

ServerError indexExists(std::string_view table, std::string_view index) {
    return error(1913, 16,
                 "There is already an index on table " + inQuotes(table) + " named " +
                     inQuotes(index) + ".");
}

ServerError secondClustered(std::string_view table, std::string_view existing) {
    return error(1902, 16,
                 "Cannot create more than one clustered index on table " + inQuotes(table) +
                     ". Drop the existing clustered index " + inQuotes(existing) +
                     " before creating another.",
                 3);
}

ServerError indexColumnMissing(std::string_view column) {
    return error(1911, 16,
                 "Column name " + inQuotes(column) + " does not exist in the target table.");
}

ServerError defaultExists(std::string_view, std::string_view) {
    return pair(make(1781, 16, "Column already has a DEFAULT bound to it."),
                make(1750, 16, "Could not create constraint. See previous errors.", 0));
}

ServerError multiplePrimaryKeys(std::string_view table) {
    return error(8110, 16,
                 "Cannot add multiple PRIMARY KEY constraints to table " + inQuotes(table) + ".");
}

ServerError nullablePrimaryKey(std::string_view table) {
    return pair(make(8111, 16,
                     "Cannot define PRIMARY KEY constraint on nullable column in table " +
                         inQuotes(table) + "."),
                make(1750, 16, "Could not create constraint. See previous errors.", 0));
}

ServerError secondIdentity(std::string_view table) {
    return error(2744, 16,
                 "Multiple identity columns specified for table " + inQuotes(table) +
                     ". Only one identity column per table is allowed.",
                 2);
}

ServerError identityType(std::string_view column) {
    return error(2749, 16,
                 "Identity column " + inQuotes(column) +
                     " must be of data type int, bigint, smallint, tinyint, or decimal or "
                     "numeric with a scale of 0, and constrained to be nonnullable.",
                 2);
}

ServerError onlyColumn(std::string_view column, std::string_view table) {
    return error(4923, 16,
                 "ALTER TABLE DROP COLUMN failed because " + inQuotes(column) +
                     " is the only data column in table " + inQuotes(table) +
                     ". A table must have at least one data column.");
}

ServerError unknownType(int columnNumber, std::string_view type) {
    return error(2715, 16,
                 "Column or parameter #" + std::to_string(columnNumber) +
                     ": Cannot find data type " + std::string(type) + ".",
                 7);
}

ServerError widthNotAllowed(int columnNumber, std::string_view type) {
    return error(2716, 16,
                 "Column or parameter #" + std::to_string(columnNumber) +
                     ": Cannot specify a column width on data type " + std::string(type) + ".");
}

ServerError sizeTooLarge(int size, std::string_view column, int maximum) {
    return ServerError(make(131, 15,
                            "The size (" + std::to_string(size) + ") given to the column " +
                                inQuotes(column) +
                                " exceeds the maximum allowed for any data type (" +
                                std::to_string(maximum) + ")."),
                       true);
}

ServerError invalidLength(int value) {
    return ServerError(
        make(1001, 15,
             "Line 1: Length or precision specification " + std::to_string(value) + " is invalid."),
        true);
}

ServerError precisionTooLarge(int columnNumber, int precision) {
    return error(2750, 16,
                 "Column or parameter #" + std::to_string(columnNumber) +
                     ": Specified column precision " + std::to_string(precision) +
                     " is greater than the maximum precision of 38.");
}

ServerError scaleTooLarge(int columnNumber, int scale, int precision) {
    return error(2751, 16,
                 "Column or parameter #" + std::to_string(columnNumber) +
                     ": Specified column scale " + std::to_string(scale) +
                     " is greater than the specified precision of " + std::to_string(precision) +
                     ".");
}

ServerError wrongDropKind(std::string_view statement, std::string_view name,
                          std::string_view actualKind, std::string_view useStatement) {
    return error(3705, 16,
                 "Cannot use " + std::string(statement) + " with " + inQuotes(name) + " because " +
                     inQuotes(name) + " is a " + std::string(actualKind) + ". Use " +
                     std::string(useStatement) + ".");
}

ServerError triggerTableMissing(std::string_view table, std::string_view database) {
    return error(2106, 16,
                 "Cannot create a trigger on table " + inQuotes(table) +
                     ", because this table does not exist in database " + inQuotes(database) + ".");
}

ServerError indexTableMissing(std::string_view table, std::string_view database) {
    return error(1088, 16,
                 "Cannot create an index on " + inQuotes(table) +
                     ", because this table does not exist in database " + inQuotes(database) + ".",
                 12);
}

ServerError databaseExists(std::string_view name) {
    return error(1801, 16, "Database " + inQuotes(name) + " already exists.", 3);
}

ServerError unknownDatabase(std::string_view name) {
    return error(911, 16,
                 "Could not locate entry in sysdatabases for database " + inQuotes(name) +
                     ". No entry found with that name. Make sure that the name is entered "
                     "correctly.");
}

ServerError unknownProcedure(std::string_view name) {
    return error(2812, 16, "Could not find stored procedure " + inQuotes(name) + ".", 62);
}

ServerError objectMissingInDatabase(std::string_view name, std::string_view database) {
    return error(15009, 16,
                 "The object " + inQuotes(name) + " does not exist in database " +
                     inQuotes(database) + ".");
}

ServerError noText(std::string_view name) {
    return error(15197, 16, "There is no text for object " + inQuotes(name) + ".");
}

ServerError textEncrypted() {
    return error(15471, 16, "The object comments have been encrypted.");
}

ServerError commitWithoutBegin() {
    return error(3902, 16,
                 "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
}

ServerError rollbackWithoutBegin() {
    return error(3903, 16,
                 "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
}

ServerError notSupported(std::string_view what) {
    return error(50000, 16, "The test server does not support " + std::string(what) + ".");
}

ServerError noTableData(std::string_view statement) {
    return error(50000, 16,
                 "The test server keeps no table data: " + std::string(statement) +
                     " statements are not run.");
}

ServerError procedureArguments(std::string_view procedure, std::string_view parameter) {
    return error(201, 16,
                 "Procedure " + inQuotes(procedure) + " expects parameter " + inQuotes(parameter) +
                     ", which was not supplied.",
                 4);
}

ServerMessage databaseChanged(std::string_view name) {
    return make(5701, 0, "Changed database context to " + inQuotes(name) + ".", 2);
}

} // namespace messages

} // namespace testserver
