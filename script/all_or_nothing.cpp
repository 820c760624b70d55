// "执 行" as one transaction: the whole statement list or none of it.

#include "script/executor.h"

#include "data/database_error.h"
#include "data/test_point.h"

#include <exception>

namespace dbc {

namespace {

// Ends the transaction without keeping anything. A server that already
// rolled it back (a severe error does) has none left, hence the guard; a lost
// connection takes the transaction with it.
void rollBack(Connection& target) {
    try {
        target.execute("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
    } catch (const std::exception&) {
        // Nothing more can be done from here; the server rolls back an
        // uncommitted transaction when its connection ends.
    }
}

} // namespace

ExecutionReport runAllOrNothing(Connection& target, const std::vector<std::string>& statements,
                                const std::function<void(std::size_t number)>& before,
                                const std::function<bool()>& stopRequested) {
    ExecutionReport report;
    report.statementCount = statements.size();
    if (statements.empty())
        return report;
    target.execute("BEGIN TRANSACTION");
    for (std::size_t i = 0; i < statements.size(); ++i) {
        if (stopRequested && stopRequested()) {
            report.stoppedBefore = i + 1;
            rollBack(target);
            report.rolledBack = true;
            return report;
        }
        if (before)
            before(i + 1);
        testPoint("execute-statement");
        try {
            target.execute(statements[i]);
            continue;
        } catch (const DatabaseError& error) {
            report.failures.push_back({statements[i], error.what()});
            if (error.connectionLost())
                report.connectionLostAt = i + 1;
        } catch (const std::exception& error) {
            report.failures.push_back({statements[i], error.what()});
        }
        if (report.connectionLostAt == 0)
            rollBack(target);
        report.rolledBack = true;
        return report;
    }
    target.execute("COMMIT TRANSACTION");
    return report;
}

std::string rolledBackLine(const ExecutionReport& report) {
    if (report.stoppedBefore != 0)
        return "执行在第 " + std::to_string(report.stoppedBefore) + " 条语句(共 " +
               std::to_string(report.statementCount) +
               " 条)之前停止,全部语句已回滚,数据库没有任何改变。";
    return "以上语句执行失败,全部语句已回滚,数据库没有任何改变。";
}

} // namespace dbc
