#pragma once

#include "testserver/engine/engine.h"

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

class CatalogDb;

// The rows sp_helptext returns for an object's text: the text is cut after
// every line end (the row keeps its CR LF or LF), and a line longer than 255
// characters is cut into pieces of 255, as SQL Server 2000's sp_helptext
// fills its nvarchar(255) column. SQL Server cuts only at CR LF; the test
// server also cuts at a bare LF, since scripts written on Linux carry those.
std::vector<std::string> helpTextRows(std::string_view text);

// sp_helptext NAME against the current catalog: the result set (column
// Text), or ServerError 15009 (no such object), 15197 (object without text)
// or 15471 (encrypted text).
ResultSet helpText(CatalogDb& db, std::string_view objectName, std::string_view database);

// The object part of a name given as sp_helptext's argument ("dbo.[p]" -> "p").
std::string objectPartOfName(std::string_view name);

} // namespace testserver
