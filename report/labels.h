#pragma once

#include "report/difference.h"

#include <string>

namespace dbc::report {

// The report page's Chinese labels, in the window's words (表, 字段, 源数据库,
// 目标数据库, ...).
const char* kindLabel(DifferenceKind kind);
const char* presenceLabel(Presence presence);
// A definition field's or object type's label; an unknown name is returned
// as it is.
std::string fieldLabel(const std::string& name);
std::string objectTypeLabel(const std::string& type);
// A field value: "yes"/"no" as 是/否, anything else as it is.
std::string valueLabel(const std::string& value);

} // namespace dbc::report
