#include "testserver/engine/module_references.h"

#include "testserver/engine/name_collation.h"

#include <algorithm>
#include <optional>

namespace testserver {

namespace {

bool isOwnerDbo(const Token& token) {
    return token.isName() && namesEqual(token.value, "dbo");
}

bool isLocalName(const std::string& value) {
    return !value.empty() && (value.front() == '@' || value.front() == '#');
}

class ReferenceScanner {
public:
    ReferenceScanner(const std::vector<Token>& tokens, bool anySchema)
        : m_tokens(tokens), m_anySchema(anySchema) {}

    std::vector<ObjectReference> scan() {
        std::vector<std::string> defined = namesDefinedByWith();
        std::vector<ObjectReference> found;
        for (std::size_t i = 0; i < m_tokens.size(); ++i) {
            std::optional<ObjectReference> reference;
            if (m_tokens[i].is("from") || m_tokens[i].is("join"))
                reference = tableSourceAt(i + 1);
            else
                reference = functionCallAt(i);
            if (!reference)
                continue;
            const bool local = std::any_of(defined.begin(), defined.end(), [&](const auto& name) {
                return namesEqual(name, reference->name);
            });
            if (!local)
                found.push_back(std::move(*reference));
        }
        return found;
    }

private:
    const Token* at(std::size_t i) const { return i < m_tokens.size() ? &m_tokens[i] : nullptr; }

    // A qualifier whose objects the scan looks up.
    bool isCheckedSchema(const Token& token) const {
        if (isOwnerDbo(token))
            return true;
        return m_anySchema && token.isName() && !namesEqual(token.value, "sys") &&
               !namesEqual(token.value, "INFORMATION_SCHEMA");
    }

    bool isSymbolAt(std::size_t i, std::string_view symbol) const {
        return at(i) && at(i)->isSymbol(symbol);
    }

    // name AS ( after WITH or a comma: a common table expression.
    std::vector<std::string> namesDefinedByWith() const {
        std::vector<std::string> names;
        for (std::size_t i = 1; i + 2 < m_tokens.size(); ++i) {
            const Token& before = m_tokens[i - 1];
            if ((before.is("with") || before.isSymbol(",")) && m_tokens[i].isName() &&
                m_tokens[i + 1].is("as") && m_tokens[i + 2].isSymbol("("))
                names.push_back(m_tokens[i].value);
        }
        return names;
    }

    // The table source starting at `i`: [schema.]name not followed by "(" or
    // by a further dot.
    std::optional<ObjectReference> tableSourceAt(std::size_t i) const {
        const Token* first = at(i);
        if (!first || !first->isName() || isLocalName(first->value))
            return std::nullopt;
        std::size_t last = i;
        std::string schema;
        std::string written = first->value;
        if (isSymbolAt(i + 1, ".")) {
            if (!isCheckedSchema(*first) || !at(i + 2) || !at(i + 2)->isName())
                return std::nullopt;
            schema = first->value;
            last = i + 2;
            written += "." + at(last)->value;
        }
        if (isSymbolAt(last + 1, ".") || isSymbolAt(last + 1, "("))
            return std::nullopt;
        return ObjectReference{schema, at(last)->value, written};
    }

    // schema.name( where no part stands before the schema.
    std::optional<ObjectReference> functionCallAt(std::size_t i) const {
        if (!isCheckedSchema(m_tokens[i]) || (i > 0 && m_tokens[i - 1].isSymbol(".")) ||
            !isSymbolAt(i + 1, ".") || !at(i + 2) || !at(i + 2)->isName() ||
            !isSymbolAt(i + 3, "("))
            return std::nullopt;
        return ObjectReference{m_tokens[i].value, at(i + 2)->value,
                               m_tokens[i].value + "." + at(i + 2)->value, true};
    }

    const std::vector<Token>& m_tokens;
    bool m_anySchema;
};

} // namespace

std::vector<ObjectReference> objectsResolvedOnCreate(const std::vector<Token>& tokens,
                                                     bool anySchema) {
    return ReferenceScanner(tokens, anySchema).scan();
}

} // namespace testserver
