// The session's side of the statements on rows: each runs in the client's
// transaction when there is one, and counts its rows unless NOCOUNT is ON.

#include "testserver/engine/consumed_identities.h"
#include "testserver/engine/row_executor.h"
#include "testserver/engine/session_impl.h"

namespace testserver {

void SessionImpl::countRows(long long rows, StatementOutcome& outcome) {
    m_variables.rowcount = rows;
    if (!m_noCount)
        outcome.rowCount = rows;
}

void SessionImpl::run(const InsertRows& statement, StatementOutcome& outcome) {
    beginChange();
    RowSession session{*m_db, m_variables, m_databaseName, m_identityInsert};
    countRows(executeInsert(session, statement), outcome);
}

void SessionImpl::run(const UpdateRows& statement, StatementOutcome& outcome) {
    beginChange();
    RowSession session{*m_db, m_variables, m_databaseName, m_identityInsert};
    countRows(executeUpdate(session, statement), outcome);
}

void SessionImpl::run(const DeleteRows& statement, StatementOutcome& outcome) {
    beginChange();
    RowSession session{*m_db, m_variables, m_databaseName, m_identityInsert};
    countRows(executeDelete(session, statement), outcome);
}

void SessionImpl::run(const SetIdentityInsert& statement, StatementOutcome&) {
    RowSession session{*m_db, m_variables, m_databaseName, m_identityInsert};
    setIdentityInsert(session, statement);
}

void SessionImpl::abortTransaction() {
    m_flow = Flow::Return; // the rest of the batch does not run
    if (m_variables.trancount == 0)
        return;
    m_variables.trancount = 0;
    if (m_writeTransaction) {
        ConsumedIdentities consumed(*m_db);
        m_db->execute("ROLLBACK");
        consumed.keep();
        m_writeTransaction = false;
    }
}

} // namespace testserver
