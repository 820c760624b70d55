#include "catalog/object_kinds.h"

#include "catalog/catalog_queries.h"

namespace dbc {

const ObjectKind procedureKind{ObjectKind::Procedure,
                               "SourceSp",
                               "SpName",
                               "SpText",
                               "procedures",
                               catalog::captureProcedureNames,
                               catalog::procedureExists};
const ObjectKind viewKind{ObjectKind::View,   "SourceView", "ViewName",
                          "ViewText",         "views",      catalog::captureViewNames,
                          catalog::viewExists};
const ObjectKind triggerKind{
    ObjectKind::Trigger,   "SourceTR", "TRName", "TRText", "triggers", catalog::captureTriggerNames,
    catalog::triggerExists};
const ObjectKind functionKind{ObjectKind::Function,
                              "SourceFN",
                              "FNName",
                              "FNText",
                              "functions",
                              catalog::captureFunctionNames,
                              catalog::functionExists};

} // namespace dbc
