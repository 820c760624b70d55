#include "testserver/tds/result_encoder.h"

#include "testserver/tds/column_plan.h"
#include "testserver/tds/tds_constants.h"

namespace testserver::tds {

namespace {

// DONE's CurCmd for a SELECT, as SQL Server sets it.
constexpr std::uint16_t kSelectCommand = 0xC1;

} // namespace

bool ResultEncoder::keepGoing() {
    m_stream.flushFullPackets();
    if (!m_stream.cancelled())
        return true;
    attentionDone();
    return false;
}

void ResultEncoder::attentionDone() {
    m_tokens.done(tds::Done, tds::DoneAttn, 0, 0);
    m_stream.markAttentionAnswered();
}

bool ResultEncoder::statements(const BatchResult& result, std::string& currentDatabase,
                               bool insideProcedure) {
    if (result.statements.empty()) {
        m_tokens.done(insideProcedure ? tds::DoneInProc : tds::Done,
                      insideProcedure ? tds::DoneMore : tds::DoneFinal, 0, 0);
        return true;
    }
    for (std::size_t i = 0; i < result.statements.size(); ++i) {
        bool more = insideProcedure || i + 1 < result.statements.size();
        if (!statement(result.statements[i], currentDatabase, more, insideProcedure))
            return false;
    }
    return true;
}

bool ResultEncoder::statement(const StatementOutcome& outcome, std::string& currentDatabase,
                              bool more, bool insideProcedure) {
    bool failed = outcome.failed;
    bool counted = outcome.rowCount.has_value() && *outcome.rowCount >= 0;
    std::uint64_t rowCount = counted ? static_cast<std::uint64_t>(*outcome.rowCount) : 0;
    std::uint16_t command = 0;

    // A cancel is looked for before each token, so that the response never
    // ends with a DONE_ATTN after the batch's final DONE.
    for (const ServerMessage& message : outcome.messages) {
        if (!keepGoing())
            return false;
        m_tokens.message(message);
    }
    if (outcome.newDatabase) {
        m_tokens.envChange(tds::EnvDatabase, *outcome.newDatabase, currentDatabase);
        currentDatabase = *outcome.newDatabase;
    }
    if (outcome.resultSet && !outcome.resultSet->columns.empty()) {
        auto plan = planColumns(*outcome.resultSet);
        if (auto* error = std::get_if<ServerMessage>(&plan)) {
            // A value the column type cannot carry: SQL Server would have
            // failed the statement, so the client sees that instead of rows.
            m_tokens.message(*error);
            failed = true;
            counted = false;
            rowCount = 0;
        } else {
            const auto& columns = std::get<std::vector<ColumnPlan>>(plan);
            m_tokens.colMetadata(columns);
            for (const auto& row : outcome.resultSet->rows) {
                if (!keepGoing())
                    return false;
                m_tokens.row(columns, row);
            }
            // DONE_COUNT only as the engine says: under SET NOCOUNT ON a
            // SELECT's DONE carries no count.
            command = kSelectCommand;
        }
    }
    if (!keepGoing())
        return false;
    std::uint16_t status = tds::DoneFinal;
    if (more)
        status |= tds::DoneMore;
    if (failed)
        status |= tds::DoneError;
    if (counted)
        status |= tds::DoneCount;
    m_tokens.done(insideProcedure ? tds::DoneInProc : tds::Done, status, command, rowCount);
    return true;
}

void ResultEncoder::procedureEnd(bool failed) {
    m_tokens.returnStatus(failed ? -6 : 0);
    m_tokens.done(tds::DoneProc, failed ? tds::DoneError : tds::DoneFinal, 0, 0);
}

} // namespace testserver::tds
