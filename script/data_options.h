#pragma once

#include "script/data_check.h"
#include "script/script_buffer.h"

namespace dbc {

// What the user chose about stored values before "执 行" (the window's
// confirmation, execute's --allow-data-loss and --fill-new-columns).
struct DataOptions {
    // Run statements that change or lose stored values; a length cut gets an
    // UPDATE before it that cuts the values to fit (fittingUpdate), so the
    // server does not refuse it.
    bool allowDataLoss = false;
    // A NOT NULL column without a default (which SQL Server refuses to add
    // to a table with rows, and SQL Server 2000 to any table) is added with a
    // temporary default of its type's empty value, dropped right after.
    bool fillNewColumns = false;
};

// The name of the temporary default that fills a new column, unique within
// one script: the change's place in it.
std::string fillDefaultName(std::size_t change);

// The script `compared` with the statements the options add, in the place
// they run. Each fitting UPDATE goes with its Alter into one statement that
// keeps the cut values only when the Alter takes effect ("BEGIN
// TRANSACTION", the UPDATE, the Alter, "IF @@ERROR <> 0 ROLLBACK TRANSACTION
// ELSE COMMIT TRANSACTION"); none is written for an Alter the data check
// found refused (NULLs under NOT NULL). A table rebuild whose column changes
// cut or narrow values gets their UPDATEs on the old table right after its
// own BEGIN TRANSACTION, so the copy takes values that fit. Each filled Add carries its
// temporary default and is followed by the drop of it. Without options, or
// where the check found nothing, the statements are those of `compared`.
ScriptBuffer scriptWithDataOptions(const ScriptBuffer& compared, const DataCheckResult& check,
                                   const DataOptions& options);

// The findings that still stand once the options are applied: a filled new
// column is no longer named.
DataCheckResult remainingFindings(const DataCheckResult& check, const ChangeList& changes,
                                  const DataOptions& options);

} // namespace dbc
