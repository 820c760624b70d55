#include "testserver/engine/variable_scope.h"

#include "testserver/engine/local_variables.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/statement_splitter.h"
#include "testserver/engine/token_cursor.h"
#include "testserver/engine/variable_statement_parser.h"

#include <set>
#include <string>

namespace testserver {

namespace {

// The error a variable's misuse raises, reported on the line where it stands.
ServerError locatedAt(const Token& token, const ServerError& error) {
    std::vector<ServerMessage> located = error.messages();
    for (ServerMessage& message : located)
        message.line = token.line;
    return ServerError(std::move(located), true);
}

} // namespace

void checkDeclaredVariables(const std::vector<Token>& tokens,
                            const std::vector<std::string>& predeclared) {
    std::set<std::string> declared;
    for (const std::string& name : predeclared)
        declared.insert(asciiLower(name));
    // Within an EXEC statement's arguments; a batch may begin with a bare
    // procedure call.
    bool inExec = !tokens.empty() && tokens.front().isName() &&
                  !isStatementKeyword(tokens.front()) && !isReservedKeyword(tokens.front().text);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (startsModuleDefinition(tokens, i))
            return;
        const Token& token = tokens[i];
        if (isStatementKeyword(token))
            inExec = (token.is("exec") || token.is("execute")) &&
                     !(i + 1 < tokens.size() && tokens[i + 1].isSymbol("("));
        if (token.is("declare")) {
            // DECLARE @a type [, @b type ...]: names follow DECLARE and commas
            // outside the types' parentheses.
            bool nameNext = true;
            int depth = 0;
            std::size_t j = i + 1;
            for (; j < tokens.size(); ++j) {
                const Token& part = tokens[j];
                if (nameNext) {
                    if (!isLocalVariable(part))
                        break;
                    if (!declared.insert(asciiLower(part.text)).second)
                        throw locatedAt(part, duplicateVariable(part.text));
                    nameNext = false;
                } else if (part.isSymbol("(")) {
                    ++depth;
                } else if (part.isSymbol(")")) {
                    --depth;
                } else if (depth == 0 && part.isSymbol(",")) {
                    nameNext = true;
                } else if (depth == 0 && (isStatementKeyword(part) || isLocalVariable(part) ||
                                          part.isSymbol(";"))) {
                    break;
                }
            }
            i = j - 1;
            continue;
        }
        if (!isLocalVariable(token))
            continue;
        bool parameterName = inExec && i + 1 < tokens.size() && tokens[i + 1].isSymbol("=") &&
                             i > 0 && !tokens[i - 1].is("exec") && !tokens[i - 1].is("execute");
        if (!parameterName && !declared.count(asciiLower(token.text)))
            throw locatedAt(token, undeclaredVariable(token.text));
    }
}

} // namespace testserver
