#include "script/data_options.h"

#include "script/row_count_queries.h"
#include "script/statement_text.h"

namespace dbc {

namespace {

// The Add of `change` with a temporary default, when the options fill it.
std::optional<AddColumn> filledAdd(const Change& change, std::size_t index,
                                   const DataOptions& options) {
    const auto* add = std::get_if<AddColumn>(&change.record);
    // SQL Server 2000 refuses such an Add on an empty table too (4901), so
    // every one is filled, not only those the check counted rows for.
    if (!options.fillNewColumns || !add || !addNeedsValue(*add))
        return std::nullopt;
    const std::string value = emptyValueOf(add->column);
    if (value.empty())
        return std::nullopt;
    AddColumn filled = *add;
    filled.carriedDefault =
        DefaultConstraint{fillDefaultName(index), add->column.table, add->column.name, value};
    return filled;
}

// The rebuild's statement with the fitting UPDATEs of the Alters it makes
// run on the old table right after its BEGIN TRANSACTION, so the copy takes
// values that fit; empty when none is needed.
// The Alter with its alias types as their base types, which a CAST names.
AlterColumn withBaseTypes(AlterColumn alter, const ScriptedObjects& types) {
    alter.column = types.resolved(alter.column);
    if (alter.targetColumn)
        alter.targetColumn = types.resolved(*alter.targetColumn);
    return alter;
}

std::string fittedRebuild(const Change& change, const RebuildTable& rebuild,
                          const ScriptedObjects& types) {
    std::string updates;
    for (const RebuiltChange& replaced : rebuild.replaced) {
        const auto* alter = std::get_if<AlterColumn>(&replaced);
        if (!alter)
            continue;
        AlterColumn onOldTable = withBaseTypes(*alter, types);
        onOldTable.column.table = rebuild.oldTable;
        if (std::string update = fittingUpdate(onOldTable); !update.empty())
            updates += update + "\n";
    }
    if (updates.empty())
        return {};
    std::string text = statementText(change);
    const std::string begin = "BEGIN TRANSACTION\n";
    const std::size_t at = text.find(begin);
    if (at == std::string::npos)
        return {};
    return text.insert(at + begin.size(), updates);
}

} // namespace

std::string fillDefaultName(std::size_t change) {
    return "DF_dbcompare_fill_" + std::to_string(change);
}

ScriptBuffer scriptWithDataOptions(const ScriptBuffer& compared, const DataCheckResult& check,
                                   const DataOptions& options) {
    ScriptBuffer script;
    const ChangeList& changes = compared.changes();
    ScriptedObjects types(changes);
    for (const auto& [name, base] : check.targetAliasTypes)
        types.addAliasType(name, base);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const Change& change = changes[i];
        if (auto filled = filledAdd(change, i, options)) {
            script.add({*filled, change.goBefore});
            script.add({DropDefault{filled->column.table, filled->carriedDefault->name}});
            continue;
        }
        const auto* rebuild = std::get_if<RebuildTable>(&change.record);
        if (rebuild && options.allowDataLoss && check.find(i, RowRisk::ValuesLost)) {
            if (std::string fitted = fittedRebuild(change, *rebuild, types); !fitted.empty()) {
                if (change.goBefore ||
                    (i > 0 && std::holds_alternative<CreateModule>(changes[i - 1].record)))
                    script.addSeparator();
                script.addStatement(fitted);
                continue;
            }
        }
        const auto* alter = std::get_if<AlterColumn>(&change.record);
        if (alter && options.allowDataLoss && check.find(i, RowRisk::ValuesLost) &&
            !check.refuses(i)) {
            const std::string update = fittingUpdate(withBaseTypes(*alter, types));
            if (!update.empty()) {
                const bool afterModule =
                    i > 0 && std::holds_alternative<CreateModule>(changes[i - 1].record);
                if (change.goBefore || afterModule)
                    script.addSeparator();
                // One batch: the values are cut only if the Alter then takes
                // effect; refused (a dependency the script does not lift), the
                // Alter's error is reported and the values stay whole.
                script.addStatement("BEGIN TRANSACTION\n" + update + "\n" + statementText(change) +
                                    "\nIF @@ERROR <> 0 ROLLBACK TRANSACTION ELSE COMMIT "
                                    "TRANSACTION");
                continue;
            }
        }
        script.add(change);
    }
    return script;
}

DataCheckResult remainingFindings(const DataCheckResult& check, const ChangeList& changes,
                                  const DataOptions& options) {
    DataCheckResult remaining;
    for (const DataCheckFinding& finding : check.findings) {
        if (finding.change < changes.size() &&
            filledAdd(changes[finding.change], finding.change, options))
            continue;
        remaining.findings.push_back(finding);
    }
    return remaining;
}

} // namespace dbc
