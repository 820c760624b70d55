#pragma once

#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_type.h"
#include "testserver/engine/sql_value.h"

#include <map>
#include <string>

namespace testserver {

// The @variables of one batch: each declared once with its type, NULL until
// assigned; assignment converts to the declared type. Names match ignoring
// letter case, as they do under the server's case-insensitive collation.
class LocalVariables {
public:
    // Throws ServerError 134 when the name is declared already.
    void declare(const std::string& name, const DeclaredType& type);
    bool declared(const std::string& name) const;
    // Throws ServerError 137 for an undeclared name.
    const SqlValue& value(const std::string& name) const;
    void assign(const std::string& name, const SqlValue& value);
    void clear() { m_variables.clear(); }

private:
    struct Variable {
        DeclaredType type;
        SqlValue value;
    };
    const Variable& find(const std::string& name) const;

    std::map<std::string, Variable> m_variables; // by lower-case name
};

// The statement with each @variable replaced by its value as a literal
// (parameter names, @name = ..., stay).
std::string withValues(std::string_view statement, const LocalVariables& variables);

// SQL Server's 137 for a variable that the batch does not declare.
ServerError undeclaredVariable(const std::string& name);
[[noreturn]] void throwUndeclared(const std::string& name);

// SQL Server's 134 for a variable declared twice in one batch.
ServerError duplicateVariable(const std::string& name);
[[noreturn]] void throwAlreadyDeclared(const std::string& name);

} // namespace testserver
