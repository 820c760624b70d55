// CREATE TABLE and ALTER TABLE in the forms SQL Server 2000 accepts for
// columns and PRIMARY KEY, UNIQUE, DEFAULT, CHECK and FOREIGN KEY constraints.

#include "testserver/engine/command_parser.h"
#include "testserver/engine/name_collation.h"

namespace testserver {

namespace {

// Keywords that end a DEFAULT expression written inside a column definition.
bool endsDefaultExpression(const Token& token) {
    return token.isSymbol(",") || token.isSymbol(")") || token.is("not") || token.is("null") ||
           token.is("constraint") || token.is("primary") || token.is("unique") ||
           token.is("check") || token.is("references") || token.is("collate") ||
           token.is("identity") || token.is("for") || token.is("foreign") || token.is("with") ||
           token.is("on") || token.is("default");
}

// SQL Server keeps a default's text wrapped in one pair of parentheses:
// DEFAULT 0 and DEFAULT (0) are both stored as "(0)".
std::string storedDefaultText(const std::string& expression) {
    std::string_view text = expression;
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        int depth = 0;
        bool enclosed = true;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '(')
                ++depth;
            else if (text[i] == ')')
                --depth;
            if (depth == 0 && i + 1 < text.size()) {
                enclosed = false;
                break;
            }
        }
        if (enclosed)
            text = text.substr(1, text.size() - 2);
    }
    return "(" + std::string(text) + ")";
}

class TableParser {
public:
    explicit TableParser(TokenCursor& cursor) : m_cursor(cursor) {}

    Command run() {
        if (m_cursor.accept("create")) {
            m_cursor.expect("table");
            CreateTable create;
            create.table = m_cursor.qualifiedName().objectName();
            m_cursor.expectSymbol("(");
            do {
                element(create.elements, true);
            } while (m_cursor.acceptSymbol(","));
            m_cursor.expectSymbol(")");
            fileGroup();
            if (m_cursor.accept("textimage_on"))
                fileGroupName();
            m_cursor.expectEnd();
            return Command{create, 1};
        }
        m_cursor.expect("alter");
        m_cursor.expect("table");
        ObjectName table = m_cursor.qualifiedName().objectName();
        Command command = alterAction(table);
        m_cursor.expectEnd();
        return command;
    }

private:
    Command alterAction(const ObjectName& table) {
        std::optional<bool> withCheck;
        if (m_cursor.accept("with"))
            withCheck = !m_cursor.accept("nocheck") && (m_cursor.expect("check"), true);
        if (m_cursor.peek().is("check") || m_cursor.peek().is("nocheck"))
            return constraintsEnabled(table, withCheck.value_or(false));
        if (withCheck && !m_cursor.peek().is("add"))
            throw m_cursor.unexpected();
        if (m_cursor.accept("add")) {
            AlterTableAdd add;
            add.table = table;
            add.noCheck = withCheck.has_value() && !*withCheck;
            do {
                element(add.elements, false);
            } while (m_cursor.acceptSymbol(","));
            return Command{add, 1};
        }
        if (m_cursor.accept("alter")) {
            m_cursor.expect("column");
            AlterColumn alter;
            alter.table = table;
            alter.column.name = m_cursor.name();
            alter.column.type = dataType();
            while (!m_cursor.atEnd()) {
                if (m_cursor.accept("collate")) {
                    alter.column.collation = m_cursor.name();
                } else if (m_cursor.accept("null")) {
                    alter.column.nullable = true;
                } else if (m_cursor.peek().is("not") && m_cursor.hasAhead(1) &&
                           m_cursor.peek(1).is("null")) {
                    m_cursor.next();
                    m_cursor.next();
                    alter.column.nullable = false;
                } else {
                    throw m_cursor.unexpected(); // IDENTITY, DEFAULT, ... are not allowed here
                }
            }
            return Command{alter, 1};
        }
        if (m_cursor.accept("drop")) {
            if (m_cursor.accept("column")) {
                DropColumns drop;
                drop.table = table;
                do {
                    drop.columns.push_back(m_cursor.name());
                } while (m_cursor.acceptSymbol(","));
                return Command{drop, 1};
            }
            DropConstraints drop;
            drop.table = table;
            m_cursor.accept("constraint");
            do {
                drop.names.push_back(m_cursor.name());
            } while (m_cursor.acceptSymbol(","));
            return Command{drop, 1};
        }
        if (m_cursor.peek().is("enable") || m_cursor.peek().is("disable"))
            throw messages::notSupported("enabling or disabling triggers");
        throw m_cursor.unexpected();
    }

    Command constraintsEnabled(const ObjectName& table, bool withCheck) {
        SetConstraintsEnabled statement;
        statement.table = table;
        statement.enable = m_cursor.accept("check") || (m_cursor.expect("nocheck"), false);
        statement.withCheck = withCheck && statement.enable;
        m_cursor.expect("constraint");
        if (!m_cursor.accept("all")) {
            do {
                statement.names.push_back(m_cursor.name());
            } while (m_cursor.acceptSymbol(","));
        }
        return Command{statement, 1};
    }

    // A column definition or a table constraint.
    void element(TableElements& elements, bool inCreate) {
        const Token& first = m_cursor.peek();
        if (first.is("constraint") || first.is("primary") || first.is("unique") ||
            first.is("check") || first.is("foreign")) {
            tableConstraint(elements, inCreate);
            return;
        }
        column(elements);
    }

    void tableConstraint(TableElements& elements, bool inCreate) {
        std::optional<std::string> name;
        if (m_cursor.accept("constraint"))
            name = m_cursor.name();
        if (m_cursor.peek().is("primary") || m_cursor.peek().is("unique")) {
            KeyConstraint key = keyHead(name);
            keyColumns(key.columns, key.descending);
            indexOptions(key);
            elements.keys.push_back(std::move(key));
            return;
        }
        if (m_cursor.peek().is("check")) {
            elements.checks.push_back(check(name, ""));
            return;
        }
        if (m_cursor.accept("foreign")) {
            m_cursor.expect("key");
            ForeignKeyConstraint key;
            key.name = name;
            std::vector<bool> descending;
            keyColumns(key.columns, descending);
            references(key);
            elements.foreignKeys.push_back(std::move(key));
            return;
        }
        if (!inCreate && m_cursor.accept("default")) {
            DefaultDefinition definition;
            definition.name = name;
            definition.text = defaultExpression();
            m_cursor.expect("for");
            definition.column = m_cursor.name();
            acceptWithValues();
            elements.defaults.push_back(std::move(definition));
            return;
        }
        throw m_cursor.unexpected();
    }

    // (c [ASC|DESC], ...)
    void keyColumns(std::vector<std::string>& columns, std::vector<bool>& descending) {
        m_cursor.expectSymbol("(");
        do {
            columns.push_back(m_cursor.name());
            descending.push_back(!m_cursor.accept("asc") && m_cursor.accept("desc"));
        } while (m_cursor.acceptSymbol(","));
        m_cursor.expectSymbol(")");
    }

    // CHECK [NOT FOR REPLICATION] (expression)
    CheckConstraint check(std::optional<std::string> name, const std::string& column) {
        m_cursor.expect("check");
        CheckConstraint constraint;
        constraint.notForReplication = notForReplication();
        constraint.name = std::move(name);
        constraint.column = column;
        m_cursor.expectSymbol("(");
        std::size_t begin = m_cursor.position();
        int depth = 0;
        while (!m_cursor.atEnd() && !(depth == 0 && m_cursor.peek().isSymbol(")"))) {
            const Token& token = m_cursor.next();
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (token.isName() && !(token.isWord() && isReservedKeyword(token.text)) &&
                     token.text.front() != '@' &&
                     !(!m_cursor.atEnd() && m_cursor.peek().isSymbol("(")))
                constraint.names.push_back(token.value);
        }
        if (m_cursor.position() == begin)
            throw m_cursor.unexpected();
        constraint.text = storedDefaultText(m_cursor.textOf(begin, m_cursor.position()));
        m_cursor.expectSymbol(")");
        return constraint;
    }

    // REFERENCES t [(c, ...)] [ON DELETE|ON UPDATE {CASCADE|NO ACTION}] ...
    // [NOT FOR REPLICATION]
    void references(ForeignKeyConstraint& key) {
        m_cursor.expect("references");
        key.referencedTable = m_cursor.qualifiedName().objectName();
        if (!m_cursor.atEnd() && m_cursor.peek().isSymbol("(")) {
            std::vector<bool> descending;
            keyColumns(key.referencedColumns, descending);
        }
        while (!m_cursor.atEnd() && m_cursor.peek().is("on") && m_cursor.hasAhead(1) &&
               (m_cursor.peek(1).is("delete") || m_cursor.peek(1).is("update"))) {
            m_cursor.next();
            bool onDelete = m_cursor.next().is("delete");
            bool cascade = m_cursor.accept("cascade");
            if (!cascade) {
                m_cursor.expect("no");
                m_cursor.expect("action");
            }
            (onDelete ? key.deleteCascade : key.updateCascade) = cascade;
        }
        key.notForReplication = notForReplication();
    }

    bool notForReplication() {
        if (!m_cursor.atEnd() && m_cursor.peek().is("not") && m_cursor.hasAhead(1) &&
            m_cursor.peek(1).is("for")) {
            m_cursor.next();
            m_cursor.next();
            m_cursor.expect("replication");
            return true;
        }
        return false;
    }

    // IDENTITY [(seed, increment)] [NOT FOR REPLICATION]
    IdentityDeclaration identity() {
        IdentityDeclaration declared;
        if (m_cursor.acceptSymbol("(")) {
            declared.seed = signedNumber();
            m_cursor.expectSymbol(",");
            declared.increment = signedNumber();
            m_cursor.expectSymbol(")");
        }
        declared.notForReplication = notForReplication();
        return declared;
    }

    std::string signedNumber() {
        std::string sign;
        if (m_cursor.acceptSymbol("-"))
            sign = "-";
        else
            m_cursor.acceptSymbol("+");
        const Token& number = m_cursor.next();
        if (number.kind != TokenKind::Number ||
            number.text.find_first_of(".eE") != std::string::npos)
            throw TokenCursor::unexpected(number);
        std::string digits = number.text;
        while (digits.size() > 1 && digits.front() == '0')
            digits.erase(0, 1);
        return sign == "-" && digits != "0" ? sign + digits : digits;
    }

    KeyConstraint keyHead(std::optional<std::string> name) {
        KeyConstraint key;
        key.name = std::move(name);
        if (m_cursor.accept("primary")) {
            m_cursor.expect("key");
            key.primary = true;
        } else {
            m_cursor.expect("unique");
        }
        if (m_cursor.accept("clustered"))
            key.clustered = true;
        else if (m_cursor.accept("nonclustered"))
            key.clustered = false;
        return key;
    }

    void column(TableElements& elements) {
        ColumnDefinition column;
        column.name = m_cursor.name();
        if (m_cursor.accept("as"))
            column.computed = computedExpression();
        else
            column.type = dataType();
        while (!m_cursor.atEnd() && !m_cursor.peek().isSymbol(",") &&
               !m_cursor.peek().isSymbol(")")) {
            if (column.computed && !startsColumnConstraint(m_cursor.peek()))
                throw m_cursor.unexpected(); // a computed column has no type, NULL or IDENTITY
            if (m_cursor.accept("rowguidcol")) {
                column.rowGuidCol = true;
            } else if (m_cursor.accept("collate")) {
                column.collation = m_cursor.name();
            } else if (m_cursor.accept("identity")) {
                column.identity = identity();
            } else if (m_cursor.accept("null")) {
                column.nullable = true;
            } else if (m_cursor.peek().is("not") && m_cursor.hasAhead(1) &&
                       m_cursor.peek(1).is("null")) {
                m_cursor.next();
                m_cursor.next();
                column.nullable = false;
            } else {
                columnConstraint(elements, column.name);
            }
        }
        elements.columns.push_back(std::move(column));
    }

    void columnConstraint(TableElements& elements, const std::string& columnName) {
        std::optional<std::string> name;
        if (m_cursor.accept("constraint"))
            name = m_cursor.name();
        if (m_cursor.accept("default")) {
            DefaultDefinition definition;
            definition.name = name;
            definition.text = defaultExpression();
            definition.column = columnName;
            acceptWithValues();
            elements.defaults.push_back(std::move(definition));
            return;
        }
        if (m_cursor.peek().is("primary") || m_cursor.peek().is("unique")) {
            KeyConstraint key = keyHead(name);
            key.columns.push_back(columnName);
            key.descending.push_back(false);
            key.columnLevel = true;
            indexOptions(key);
            elements.keys.push_back(std::move(key));
            return;
        }
        if (m_cursor.peek().is("check")) {
            elements.checks.push_back(check(name, columnName));
            return;
        }
        if (m_cursor.peek().is("references") || m_cursor.peek().is("foreign")) {
            if (m_cursor.accept("foreign"))
                m_cursor.expect("key");
            ForeignKeyConstraint key;
            key.name = name;
            key.columns.push_back(columnName);
            key.columnLevel = true;
            references(key);
            elements.foreignKeys.push_back(std::move(key));
            return;
        }
        throw m_cursor.unexpected();
    }

    // The expression of `c AS expression`: up to the comma or parenthesis that
    // ends the column, or a constraint written on it.
    ComputedDefinition computedExpression() {
        ComputedDefinition computed;
        std::size_t begin = m_cursor.position();
        int depth = 0;
        while (!m_cursor.atEnd()) {
            const Token& token = m_cursor.peek();
            if (depth == 0 && (token.isSymbol(",") || token.isSymbol(")") ||
                               (m_cursor.position() > begin &&
                                (startsColumnConstraint(token) || token.is("default") ||
                                 token.is("identity") || nullAfterOperand(token)))))
                break;
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (usedName(token))
                computed.names.push_back(token.value);
            else if (token.kind == TokenKind::Number)
                computed.wholeNumbers = true;
            if (!usedName(token) && !token.isSymbol("(") && !token.isSymbol(")") &&
                !(token.kind == TokenKind::Number &&
                  token.text.find_first_of(".eE") == std::string::npos) &&
                !token.isSymbol("+") && !token.isSymbol("-") && !token.isSymbol("*") &&
                !token.isSymbol("/") && !token.isSymbol("%"))
                computed.plainArithmetic = false;
            m_cursor.next();
        }
        if (m_cursor.position() == begin || depth != 0)
            throw m_cursor.unexpected();
        computed.text = storedDefaultText(m_cursor.textOf(begin, m_cursor.position()));
        return computed;
    }

    // Whether the token at the cursor names a column in an expression: an
    // identifier that is not a keyword, a variable, a function (followed by
    // "(") or a type named in CAST / CONVERT.
    bool usedName(const Token& token) const {
        if (!token.isName() || (token.isWord() && isReservedKeyword(token.text)) ||
            token.text.front() == '@')
            return false;
        if (m_cursor.hasAhead(1) && m_cursor.peek(1).isSymbol("("))
            return false;
        return token.kind == TokenKind::QuotedName || !findBuiltinType(token.text);
    }

    // NULL or NOT NULL right after an operand: a nullability that a computed
    // column does not take, not part of its expression.
    bool nullAfterOperand(const Token& token) const {
        bool nullability = token.is("null") ||
                           (token.is("not") && m_cursor.hasAhead(1) && m_cursor.peek(1).is("null"));
        if (!nullability)
            return false;
        const Token& previous = m_cursor.tokens()[m_cursor.position() - 1];
        bool operand =
            previous.isName() && !(previous.isWord() && isReservedKeyword(previous.text));
        return operand || previous.isSymbol(")") || previous.kind == TokenKind::Number ||
               previous.isString();
    }

    static bool startsColumnConstraint(const Token& token) {
        return token.is("constraint") || token.is("primary") || token.is("unique") ||
               token.is("check") || token.is("references") || token.is("foreign") ||
               token.is("rowguidcol");
    }

    // DEFAULT ... WITH VALUES also fills the default into existing rows; the
    // test server keeps no rows, so it changes nothing here.
    void acceptWithValues() {
        if (m_cursor.hasAhead(1) && m_cursor.peek().is("with") && m_cursor.peek(1).is("values")) {
            m_cursor.next();
            m_cursor.next();
        }
    }

    std::string defaultExpression() {
        std::size_t begin = m_cursor.position();
        int depth = 0;
        while (!m_cursor.atEnd()) {
            const Token& token = m_cursor.peek();
            if (depth == 0 && m_cursor.position() > begin && endsDefaultExpression(token))
                break;
            if (depth == 0 && token.isSymbol(")"))
                break;
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            m_cursor.next();
        }
        if (m_cursor.position() == begin || depth != 0)
            throw m_cursor.unexpected();
        return storedDefaultText(m_cursor.textOf(begin, m_cursor.position()));
    }

    DeclaredType dataType() {
        DeclaredType type;
        // NATIONAL and DOUBLE are reserved keywords, so they are not read as names.
        if (m_cursor.accept("national"))
            type.name = "national";
        else if (m_cursor.accept("double"))
            type.name = "double";
        else
            type.name = m_cursor.qualifiedName().last();
        if (namesEqual(type.name, "double") && m_cursor.accept("precision"))
            type.name = "float";
        else if (namesEqual(type.name, "national")) {
            if (m_cursor.accept("char") || m_cursor.accept("character"))
                type.name = m_cursor.accept("varying") ? "nvarchar" : "nchar";
            else
                m_cursor.expect("text"), type.name = "ntext";
        } else if ((namesEqual(type.name, "char") || namesEqual(type.name, "character")) &&
                   m_cursor.accept("varying"))
            type.name = "varchar";
        if (m_cursor.acceptSymbol("(")) {
            // (max) is -1; the type decides whether the release takes it.
            if (m_cursor.accept("max"))
                type.first = -1;
            else
                type.first = static_cast<int>(m_cursor.integer());
            if (m_cursor.acceptSymbol(","))
                type.second = static_cast<int>(m_cursor.integer());
            m_cursor.expectSymbol(")");
        }
        return type;
    }

    // WITH FILLFACTOR = n / ON filegroup after a key constraint.
    void indexOptions(KeyConstraint& key) {
        if (m_cursor.accept("with")) {
            m_cursor.expect("fillfactor");
            m_cursor.expectSymbol("=");
            key.fillFactor = static_cast<int>(m_cursor.integer());
        }
        if (!m_cursor.atEnd() && m_cursor.peek().is("on"))
            fileGroup();
    }

    void fileGroup() {
        if (m_cursor.accept("on"))
            fileGroupName();
    }

    void fileGroupName() {
        if (m_cursor.accept("default") || m_cursor.accept("primary"))
            return;
        std::string name = m_cursor.name();
        if (!namesEqual(name, "PRIMARY"))
            throw ServerError(
                messages::make(1921, 16, "Invalid filegroup '" + name + "' specified."));
    }

    TokenCursor& m_cursor;
};

} // namespace

Command parseTableStatement(TokenCursor& cursor) {
    return TableParser(cursor).run();
}

} // namespace testserver
