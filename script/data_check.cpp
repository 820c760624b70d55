#include "script/data_check.h"

#include "script/statement_text.h"

#include <cctype>
#include <set>

namespace dbc {

namespace {

// The statement a finding names: its own text, but for a table rebuild (a
// batch of many lines) the copy of the rows, the line the count is about.
std::string findingStatement(const Change& change) {
    if (const auto* rebuild = std::get_if<RebuildTable>(&change.record);
        rebuild && (!rebuild->copiedColumns.empty() || !rebuild->filledColumns.empty()))
        return copyRowsStatement(*rebuild);
    return statementText(change);
}

} // namespace

namespace {

struct PendingQuery {
    std::size_t change;
    RowCountQuery query;
};

bool builtInType(const std::string& type) {
    static const std::set<std::string> names{"bigint",
                                             "binary",
                                             "bit",
                                             "char",
                                             "date",
                                             "datetime",
                                             "datetime2",
                                             "datetimeoffset",
                                             "decimal",
                                             "float",
                                             "geography",
                                             "geometry",
                                             "hierarchyid",
                                             "image",
                                             "int",
                                             "money",
                                             "nchar",
                                             "ntext",
                                             "numeric",
                                             "nvarchar",
                                             "real",
                                             "smalldatetime",
                                             "smallint",
                                             "smallmoney",
                                             "sql_variant",
                                             "sysname",
                                             "text",
                                             "time",
                                             "timestamp",
                                             "tinyint",
                                             "uniqueidentifier",
                                             "varbinary",
                                             "varchar",
                                             "xml"};
    std::string lowered = type;
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return names.count(lowered) != 0;
}

bool aliasTyped(const AlterColumn& change) {
    return !builtInType(change.column.type) ||
           (change.targetColumn && !builtInType(change.targetColumn->type));
}

// Whether an Alter (alone or within a rebuild) names a type that is no
// built-in one: an alias type, whose base type the counting queries need.
bool altersAliasTypedColumn(const ChangeList& changes) {
    for (const Change& change : changes) {
        if (const auto* alter = std::get_if<AlterColumn>(&change.record);
            alter && aliasTyped(*alter))
            return true;
        if (const auto* rebuild = std::get_if<RebuildTable>(&change.record))
            for (const RebuiltChange& replaced : rebuild->replaced)
                if (const auto* inner = std::get_if<AlterColumn>(&replaced);
                    inner && aliasTyped(*inner))
                    return true;
    }
    return false;
}

// The target's alias types with their base types, in one query that SQL
// Server 2000 and every later release answer (systypes). Refused, the alias
// typed columns stay uncounted, as before.
void addTargetAliasTypes(Connection& target, ScriptedObjects& scripted,
                         std::vector<std::pair<std::string, std::string>>& read) {
    try {
        const Result aliases =
            target.open("SELECT u.name, b.name FROM systypes u JOIN systypes b ON b.xusertype = "
                        "u.xtype WHERE u.xusertype > 256");
        for (const auto& row : aliases.rows())
            if (row.size() == 2) {
                scripted.addAliasType(row[0], row[1]);
                read.emplace_back(row[0], row[1]);
            }
    } catch (const DatabaseError& error) {
        if (error.connectionLost())
            throw;
    }
}

std::optional<unsigned long long> countOf(const Result& result) {
    if (result.empty() || result.rows().front().empty())
        return std::nullopt;
    const std::string& text = result.rows().front().front();
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(text);
}

} // namespace

bool DataCheckResult::valuesLost() const noexcept {
    for (const DataCheckFinding& finding : findings)
        if (finding.risk == RowRisk::ValuesLost)
            return true;
    return false;
}

bool DataCheckResult::needsAnswer() const noexcept {
    for (const DataCheckFinding& finding : findings)
        if (finding.risk != RowRisk::Copied)
            return true;
    return false;
}

const DataCheckFinding* DataCheckResult::find(std::size_t change, RowRisk risk) const noexcept {
    for (const DataCheckFinding& finding : findings)
        if (finding.change == change && finding.risk == risk)
            return &finding;
    return nullptr;
}

DataCheckResult checkData(Connection& target, const ChangeList& changes) {
    ScriptedObjects scripted(changes);
    std::vector<std::pair<std::string, std::string>> aliasTypes;
    if (altersAliasTypedColumn(changes))
        addTargetAliasTypes(target, scripted, aliasTypes);
    std::vector<PendingQuery> pending;
    for (std::size_t i = 0; i < changes.size(); ++i)
        for (RowCountQuery& query : rowCountQueries(changes[i].record, scripted))
            pending.push_back({i, std::move(query)});
    DataCheckResult result;
    result.targetAliasTypes = std::move(aliasTypes);
    if (pending.empty())
        return result;
    std::vector<std::string> sql;
    for (const PendingQuery& query : pending)
        sql.push_back(query.query.sql);
    std::vector<std::optional<ResultOrError>> replies(pending.size());
    auto keep = [&](std::size_t index, ResultOrError reply) { replies[index] = std::move(reply); };
    try {
        target.openEach(sql, keep);
    } catch (const DatabaseError& error) {
        if (error.connectionLost())
            throw;
        // Refused as a whole: ask each query alone.
        for (std::size_t i = 0; i < sql.size(); ++i) {
            try {
                replies[i] = target.open(sql[i]);
            } catch (const DatabaseError& single) {
                if (single.connectionLost())
                    throw;
                replies[i] = single;
            }
        }
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const RowConcern concern = pending[i].query.concern;
        DataCheckFinding finding;
        finding.change = pending[i].change;
        finding.statement = findingStatement(changes[pending[i].change]);
        finding.risk = riskOf(concern);
        finding.concern = concern;
        finding.what = concernText(concern);
        if (!replies[i]) {
            finding.error = "no answer";
        } else if (const auto* error = std::get_if<DatabaseError>(&*replies[i])) {
            finding.error = error->what();
        } else {
            finding.rows = countOf(std::get<Result>(*replies[i]));
            if (!finding.rows)
                finding.error = "the count was not a number";
            else if (*finding.rows == 0)
                continue;
        }
        result.findings.push_back(std::move(finding));
    }
    return result;
}

std::string dataCheckReport(const DataCheckResult& result) {
    std::string text;
    for (const DataCheckFinding& finding : result.findings) {
        if (!finding.rows)
            text += "rows not counted (" + finding.error + ")";
        else
            text += std::to_string(*finding.rows) + (*finding.rows == 1 ? " row" : " rows");
        text += finding.risk == RowRisk::ValuesLost ? ", values changed or lost: "
                : finding.risk == RowRisk::Copied   ? ", kept: "
                                                    : ", the statement will be refused: ";
        text += finding.what + ": " + finding.statement + "\n";
    }
    return text;
}

} // namespace dbc
