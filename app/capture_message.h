#pragma once

#include "snapshot/capture.h"

#include <string>

namespace dbc {

// The message box text after "读源数据" that names the objects whose text
// the server would not give, one a line; empty when there are none.
std::string objectsWithoutTextMessage(const CaptureSummary& summary);

} // namespace dbc
