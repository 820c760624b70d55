#include "testserver/engine/row_values.h"

#include "testserver/engine/date_time.h"

#include <charconv>

namespace testserver {

namespace {

ServerError truncated() {
    return ServerError(messages::make(8152, 16, "String or binary data would be truncated."));
}

std::string withoutTrailingBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The length SQL Server counts: characters for Unicode types; bytes of the
// database's code page (936: two for each character beyond ASCII) else.
std::size_t storedLength(const std::string& text, bool unicode) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80)
            continue;
        length += unicode || byte < 0x80 ? 1 : 2;
    }
    return length;
}

bool isGuid(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        char c = text[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex)
            return false;
    }
    return true;
}

} // namespace

SqlValue columnValue(const StoredColumn& column, const SqlValue& value) {
    if (!value.text)
        return value;
    const std::string& type = column.type.name;
    if (type == "char" || type == "varchar" || type == "nchar" || type == "nvarchar") {
        std::size_t limit = static_cast<std::size_t>(column.type.first.value_or(1));
        bool unicode = type.front() == 'n';
        std::string text = *value.text;
        if (storedLength(text, unicode) > limit) {
            // Only blanks beyond the length: the value is cut to it.
            text = withoutTrailingBlanks(text);
            std::size_t length = storedLength(text, unicode);
            if (length > limit)
                throw truncated();
            text.append(limit - length, ' ');
        }
        if (type == "char" || type == "nchar") {
            std::size_t length = storedLength(text, unicode);
            text.append(limit > length ? limit - length : 0, ' ');
        }
        return SqlValue::string(text);
    }
    if (type == "binary" || type == "varbinary") {
        std::string text = *value.text;
        std::size_t bytes = text.rfind("0x", 0) == 0 ? (text.size() - 1) / 2 : text.size();
        if (bytes > static_cast<std::size_t>(column.type.first.value_or(1)))
            throw truncated();
        return SqlValue::string(text);
    }
    if (type == "datetime" || type == "smalldatetime") {
        std::string text = *value.text;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        std::optional<DateParts> date = parseDateTime(text);
        if (!date)
            throw ServerError(
                messages::make(241, 16, "Syntax error converting datetime from character string."));
        if (type == "smalldatetime") {
            date->millis = 0;
            date->second = 0;
        }
        return SqlValue::string(isoText(*date));
    }
    if (type == "uniqueidentifier") {
        if (!isGuid(*value.text))
            throw ServerError(messages::make(
                8169, 16, "Syntax error converting from a character string to uniqueidentifier."));
        return SqlValue::string(*value.text);
    }
    if (type == "text" || type == "ntext" || type == "image" || type == "sql_variant" ||
        type == "timestamp")
        return value;
    return convertValue(column.type, value, LengthDefault::Declaration);
}

ServerError nullNotAllowed(std::string_view column, std::string_view database,
                           std::string_view table, std::string_view verb, std::string_view schema) {
    return ServerError(messages::make(
        515, 16,
        "Cannot insert the value NULL into column '" + std::string(column) + "', table '" +
            std::string(database) + "." + std::string(schema) + "." + std::string(table) +
            "'; column does not allow nulls. " + std::string(verb) + " fails."));
}

ServerError terminated(const ServerError& error) {
    std::vector<ServerMessage> messages = error.messages();
    messages.push_back(messages::make(3621, 0, "The statement has been terminated."));
    return ServerError(messages, error.abortsBatch());
}

long long integerOf(const SqlValue& value) {
    long long number = 0;
    if (value.text) {
        const std::string& text = *value.text;
        std::from_chars(text.data(), text.data() + text.size(), number);
    }
    return number;
}

} // namespace testserver
