#include "testserver/engine/local_variables.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

std::string withValues(std::string_view statement, const LocalVariables& variables) {
    std::vector<Token> tokens = tokenize(statement);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        bool variable =
            token.isWord() && token.text.size() > 1 && token.text[0] == '@' && token.text[1] != '@';
        if (!variable || (i + 1 < tokens.size() && tokens[i + 1].isSymbol("=")))
            continue;
        out.append(statement.substr(copied, token.offset - copied));
        out += tsqlLiteral(variables.value(token.text));
        copied = token.end();
    }
    out.append(statement.substr(copied));
    return out;
}

ServerError undeclaredVariable(const std::string& name) {
    return ServerError(messages::make(137, 15, "Must declare the variable '" + name + "'."), true);
}

void throwUndeclared(const std::string& name) {
    throw undeclaredVariable(name);
}

ServerError duplicateVariable(const std::string& name) {
    return ServerError(messages::make(134, 15,
                                      "The variable name '" + name +
                                          "' has already been declared. Variable names must be "
                                          "unique within a query batch or stored procedure."),
                       true);
}

void throwAlreadyDeclared(const std::string& name) {
    throw duplicateVariable(name);
}

void LocalVariables::declare(const std::string& name, const DeclaredType& type) {
    if (declared(name))
        throwAlreadyDeclared(name);
    convertValue(type, SqlValue::null(), LengthDefault::Declaration); // refuses unknown types
    m_variables[asciiLower(name)] = Variable{type, SqlValue::null()};
}

bool LocalVariables::declared(const std::string& name) const {
    return m_variables.count(asciiLower(name)) > 0;
}

const LocalVariables::Variable& LocalVariables::find(const std::string& name) const {
    auto found = m_variables.find(asciiLower(name));
    if (found == m_variables.end())
        throwUndeclared(name);
    return found->second;
}

const SqlValue& LocalVariables::value(const std::string& name) const {
    return find(name).value;
}

void LocalVariables::assign(const std::string& name, const SqlValue& value) {
    find(name); // refuses an undeclared name
    Variable& variable = m_variables[asciiLower(name)];
    variable.value = convertValue(variable.type, value, LengthDefault::Declaration);
}

} // namespace testserver
