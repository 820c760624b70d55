// The system procedures that change catalog facts beyond tables and types:
// extended properties, sp_rename and sp_recompile. Their arguments are read
// by position or by parameter name, NULL included.

#include "testserver/engine/command_parser.h"
#include "testserver/engine/name_collation.h"

#include <array>
#include <optional>

namespace testserver {

namespace {

struct ProcedureSignature {
    std::string_view name;
    std::vector<std::string_view> parameters; // in position order, without '@'
};

const std::array<ProcedureSignature, 5>& signatures() {
    static const std::array<ProcedureSignature, 5> all{{
        {"sp_addextendedproperty",
         {"name", "value", "level0type", "level0name", "level1type", "level1name", "level2type",
          "level2name"}},
        {"sp_updateextendedproperty",
         {"name", "value", "level0type", "level0name", "level1type", "level1name", "level2type",
          "level2name"}},
        {"sp_dropextendedproperty",
         {"name", "level0type", "level0name", "level1type", "level1name", "level2type",
          "level2name"}},
        {"sp_rename", {"objname", "newname", "objtype"}},
        {"sp_recompile", {"objname"}},
    }};
    return all;
}

const ProcedureSignature* findSignature(std::string_view procedure) {
    for (const ProcedureSignature& signature : signatures())
        if (namesEqual(signature.name, procedure))
            return &signature;
    return nullptr;
}

ServerError invalidParameter(std::string_view procedure) {
    return ServerError(messages::make(15600, 15,
                                      "An invalid parameter or option was specified for "
                                      "procedure '" +
                                          std::string(procedure) + "'."));
}

// The arguments by parameter: nothing where not given, a NULL as an empty
// optional inside.
using Arguments = std::vector<std::optional<std::optional<std::string>>>;

Arguments readArguments(TokenCursor& cursor, const ProcedureSignature& signature) {
    Arguments arguments(signature.parameters.size());
    std::size_t position = 0;
    bool named = false;
    while (!cursor.atEnd()) {
        if (position > 0 || named)
            cursor.expectSymbol(",");
        std::size_t slot = position;
        if (cursor.peek().isWord() && cursor.peek().text.front() == '@' && cursor.hasAhead(1) &&
            cursor.peek(1).isSymbol("=")) {
            std::string parameter = asciiLower(cursor.next().text.substr(1));
            cursor.next();
            slot = signature.parameters.size();
            for (std::size_t i = 0; i < signature.parameters.size(); ++i)
                if (signature.parameters[i] == parameter)
                    slot = i;
            if (slot == signature.parameters.size())
                throw invalidParameter(signature.name);
            named = true;
        } else if (named) {
            throw invalidParameter(signature.name); // positional after named
        } else {
            ++position;
        }
        if (slot >= arguments.size())
            throw invalidParameter(signature.name);
        const Token& value = cursor.next();
        if (value.is("null"))
            arguments[slot] = std::optional<std::string>();
        else if (value.isString() || value.kind == TokenKind::QuotedName ||
                 (value.isWord() && !isReservedKeyword(value.text) && value.text.front() != '@'))
            arguments[slot] = value.value;
        else if (value.kind == TokenKind::Number)
            arguments[slot] = value.text;
        else if (value.isWord() && value.text.front() == '@')
            throw ServerError(
                messages::make(137, 15, "Must declare the variable '" + value.text + "'."), true);
        else
            throw TokenCursor::unexpected(value);
    }
    return arguments;
}

// A given, non-NULL argument.
std::optional<std::string> valueOf(const Arguments& arguments, std::size_t slot) {
    return slot < arguments.size() && arguments[slot] ? *arguments[slot] : std::nullopt;
}

Command extendedProperty(const ProcedureSignature& signature, const Arguments& arguments) {
    ExtendedPropertyCall call;
    std::size_t levelsFrom = 2;
    if (namesEqual(signature.name, "sp_updateextendedproperty"))
        call.action = ExtendedPropertyCall::Action::Update;
    else if (namesEqual(signature.name, "sp_dropextendedproperty")) {
        call.action = ExtendedPropertyCall::Action::Drop;
        levelsFrom = 1;
    }
    std::optional<std::string> name = valueOf(arguments, 0);
    if (!name)
        throw messages::procedureArguments(signature.name, "@name");
    call.name = *name;
    if (levelsFrom == 2)
        call.value = valueOf(arguments, 1);
    for (std::size_t slot = levelsFrom; slot + 1 < arguments.size(); slot += 2) {
        std::optional<std::string> type = valueOf(arguments, slot);
        std::optional<std::string> object = valueOf(arguments, slot + 1);
        if (!type && !object)
            break;
        if (!type || !object)
            throw invalidParameter(signature.name);
        call.levels.emplace_back(asciiLower(*type), *object);
    }
    for (std::size_t slot = levelsFrom + 2 * call.levels.size(); slot < arguments.size(); ++slot)
        if (valueOf(arguments, slot))
            throw invalidParameter(signature.name); // a lower level without the one above
    return Command{call, 1};
}

} // namespace

bool isCatalogProcedure(std::string_view procedure) {
    return findSignature(procedure) != nullptr;
}

Command parseCatalogProcedure(std::string_view procedure, TokenCursor& cursor) {
    const ProcedureSignature& signature = *findSignature(procedure);
    Arguments arguments = readArguments(cursor, signature);
    if (namesEqual(signature.name, "sp_rename")) {
        std::optional<std::string> object = valueOf(arguments, 0);
        std::optional<std::string> newName = valueOf(arguments, 1);
        if (!object)
            throw messages::procedureArguments(signature.name, "@objname");
        if (!newName)
            throw messages::procedureArguments(signature.name, "@newname");
        std::string type;
        for (char c : valueOf(arguments, 2).value_or(""))
            type += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        return Command{RenameObject{*object, *newName, type}, 1};
    }
    if (namesEqual(signature.name, "sp_recompile")) {
        std::optional<std::string> object = valueOf(arguments, 0);
        if (!object)
            throw messages::procedureArguments(signature.name, "@objname");
        return Command{Recompile{*object}, 1};
    }
    return extendedProperty(signature, arguments);
}

} // namespace testserver
