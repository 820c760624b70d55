#pragma once

#include "testserver/engine/engine.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// A statement refused with SQL Server's messages (usually one; some refusals
// come as two, e.g. 5074 followed by 4922). `abortsBatch` marks compile
// errors: SQL Server then runs no statement of the batch.
class ServerError : public std::runtime_error {
public:
    explicit ServerError(ServerMessage message, bool abortsBatch = false);
    ServerError(std::vector<ServerMessage> messages, bool abortsBatch);

    const std::vector<ServerMessage>& messages() const noexcept { return m_messages; }
    bool abortsBatch() const noexcept { return m_abortsBatch; }

private:
    std::vector<ServerMessage> m_messages;
    bool m_abortsBatch;
};

// SQL Server's messages by number, with its texts (SQL Server 2000 wording).
namespace messages {

ServerMessage make(int number, int severity, std::string text, int state = 1);

// Compile errors (severity 15): the batch is not run.
ServerError syntaxNear(std::string_view token);        // 102
ServerError syntaxNearKeyword(std::string_view word);  // 156
ServerError syntaxAtEnd();                             // 170 "... near end of batch"
ServerError mustBeFirstInBatch(std::string_view what); // 111

ServerError invalidObjectName(std::string_view name);                             // 208
ServerError invalidColumnName(std::string_view name);                             // 207
ServerError objectExists(std::string_view name);                                  // 2714
ServerError alterMissingTable(std::string_view table, std::string_view database); // 4902
ServerError alterMissingColumn(std::string_view column, std::string_view table);  // 4924
ServerError dropMissingColumn(std::string_view column, std::string_view table);   // 4924
ServerError dropMissingObject(std::string_view kind, std::string_view name);      // 3701
ServerError dropMissingIndex(std::string_view table, std::string_view index);     // 3703
ServerError notAConstraint(std::string_view name);                                // 3728 + 3727
ServerError dependentColumn(std::string_view dependentKind, std::string_view dependent,
                            std::string_view column, bool drop);                   // 5074 + 4922
ServerError duplicateColumn(std::string_view column, std::string_view table);      // 2705
ServerError columnAlreadyInTable(std::string_view column, std::string_view table); // 2705
ServerError indexExists(std::string_view table, std::string_view index);           // 1913
ServerError secondClustered(std::string_view table, std::string_view existing);    // 1902
ServerError indexColumnMissing(std::string_view column);                           // 1911
ServerError defaultExists(std::string_view column, std::string_view table);        // 1781 + 1750
ServerError multiplePrimaryKeys(std::string_view table);                           // 8110
ServerError nullablePrimaryKey(std::string_view table);                            // 8111 + 1750
ServerError secondIdentity(std::string_view table);                                // 2744
ServerError identityType(std::string_view column);                                 // 2749
ServerError onlyColumn(std::string_view column, std::string_view table);           // 4923
ServerError unknownType(int columnNumber, std::string_view type);                  // 2715
ServerError widthNotAllowed(int columnNumber, std::string_view type);              // 2716
ServerError sizeTooLarge(int size, std::string_view column, int maximum);          // 131
ServerError invalidLength(int value);                                              // 1001
ServerError precisionTooLarge(int columnNumber, int precision);                    // 2750
ServerError scaleTooLarge(int columnNumber, int scale, int precision);             // 2751
ServerError wrongDropKind(std::string_view statement, std::string_view name,
                          std::string_view actualKind, std::string_view useStatement); // 3705
ServerError triggerTableMissing(std::string_view table, std::string_view database);    // 2106
ServerError indexTableMissing(std::string_view table, std::string_view database);      // 1088
ServerError databaseExists(std::string_view name);                                     // 1801
ServerError unknownDatabase(std::string_view name);                                    // 911
ServerError unknownProcedure(std::string_view name);                                   // 2812
ServerError objectMissingInDatabase(std::string_view name, std::string_view database); // 15009
ServerError noText(std::string_view name);                                             // 15197
ServerError textEncrypted();                                                           // 15471
ServerError commitWithoutBegin();                                                      // 3902
ServerError rollbackWithoutBegin();                                                    // 3903
ServerError notSupported(std::string_view what);     // 50000: a limit of this test server
ServerError noTableData(std::string_view statement); // 50000: INSERT/UPDATE/DELETE
ServerError procedureArguments(std::string_view procedure, std::string_view parameter); // 201

ServerMessage databaseChanged(std::string_view name); // 5701, informational

} // namespace messages

} // namespace testserver
