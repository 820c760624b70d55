#include "testserver/engine/help_text.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/utf8_text.h"

namespace testserver {

namespace {

constexpr std::size_t kRowWidth = 255;

} // namespace

std::vector<std::string> helpTextRows(std::string_view text) {
    std::vector<std::string> rows;
    while (!text.empty()) {
        std::size_t lineEnd = text.find('\n');
        std::size_t length = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        for (std::string& piece : splitByUtf16Units(text.substr(0, length), kRowWidth))
            rows.push_back(std::move(piece));
        text.remove_prefix(length);
    }
    return rows;
}

std::string objectPartOfName(std::string_view name) {
    // Split at dots outside [brackets] and "quotes"; keep the last part.
    std::string part;
    char closing = '\0';
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (closing) {
            if (c == closing) {
                if (i + 1 < name.size() && name[i + 1] == closing) {
                    part.push_back(c);
                    ++i;
                } else {
                    closing = '\0';
                }
            } else {
                part.push_back(c);
            }
        } else if (c == '[' && part.empty()) {
            closing = ']';
        } else if (c == '"' && part.empty()) {
            closing = '"';
        } else if (c == '.') {
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    return part;
}

ResultSet helpText(CatalogDb& db, std::string_view objectName, std::string_view database) {
    std::optional<long long> found =
        resolveObjectId(db.handle(), objectNameOfText(objectName), nameScopeOf(db.serverYear()));
    if (!found)
        throw messages::objectMissingInDatabase(objectName, database);
    auto find = db.prepare("SELECT id, xtype FROM sysobjects WHERE id = ?");
    find.bind(1, *found);
    find.step();
    long long id = find.integer(0);
    // A table's syscomments rows are its computed columns' texts, which
    // sp_helptext does not show for the table.
    if (namesEqual(find.text(1), "U"))
        throw messages::noText(objectName);

    auto pieces =
        db.prepare("SELECT text, encrypted FROM syscomments WHERE id = ? ORDER BY number, colid");
    pieces.bind(1, id);
    std::string text;
    bool any = false;
    bool anyClear = false;
    while (pieces.step()) {
        any = true;
        if (pieces.integer(1) == 0) {
            anyClear = true;
            text += pieces.text(0);
        }
    }
    if (!any)
        throw messages::noText(objectName);
    if (!anyClear)
        throw messages::textEncrypted();

    ResultSet result;
    result.columns.push_back(ColumnInfo{"Text", ColumnType::NVarChar, 255, true});
    for (std::string& row : helpTextRows(text))
        result.rows.push_back({Value(std::move(row))});
    return result;
}

} // namespace testserver
