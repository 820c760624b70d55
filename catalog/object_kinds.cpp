#include "catalog/object_kinds.h"

#include "catalog/catalog_queries.h"

namespace dbc {

const ObjectKind procedureKind{ObjectKind::Procedure,
                               "SourceSp",
                               "SpName",
                               "SpText",
                               "procedures",
                               catalog::captureProcedureNames,
                               catalog::procedureExists,
                               "= 'P'"};
const ObjectKind viewKind{ObjectKind::View,    "SourceView", "ViewName",
                          "ViewText",          "views",      catalog::captureViewNames,
                          catalog::viewExists, "= 'V'"};
const ObjectKind triggerKind{ObjectKind::Trigger,
                             "SourceTR",
                             "TRName",
                             "TRText",
                             "triggers",
                             catalog::captureTriggerNames,
                             catalog::triggerExists,
                             "= 'TR'"};
const ObjectKind functionKind{ObjectKind::Function,
                              "SourceFN",
                              "FNName",
                              "FNText",
                              "functions",
                              catalog::captureFunctionNames,
                              catalog::functionExists,
                              "IN ('FN','IF','TF')"};

} // namespace dbc
