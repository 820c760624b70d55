// CREATE/DROP INDEX and STATISTICS, CREATE/ALTER/DROP of procedures, views
// and triggers, DROP TABLE.

#include "testserver/engine/catalog.h"
#include "testserver/engine/command_parser.h"
#include "testserver/engine/name_collation.h"

namespace testserver {

namespace {

class ObjectParser {
public:
    ObjectParser(TokenCursor& cursor, const std::string& batchText, bool firstInBatch)
        : m_cursor(cursor), m_batchText(batchText), m_firstInBatch(firstInBatch) {}

    Command run() {
        const Token& verb = m_cursor.next();
        if (m_cursor.peek().is("schema") && !verb.is("alter"))
            return schema(verb.is("drop"));
        if (verb.is("drop"))
            return drop();
        bool alter = verb.is("alter");
        const Token& kind = m_cursor.peek();
        if (kind.is("procedure") || kind.is("proc") || kind.is("view") || kind.is("trigger") ||
            kind.is("function") || (!alter && (kind.is("default") || kind.is("rule"))))
            return module(alter);
        if (alter)
            throw m_cursor.unexpected();
        if (kind.is("statistics"))
            return statistics();
        return index();
    }

private:
    static std::string asciiUpper(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return text;
    }

    // CREATE SCHEMA name [AUTHORIZATION owner], alone in its batch (111 as
    // for modules), and DROP SCHEMA name. Schema elements (CREATE TABLE ...
    // inside the statement) are not modelled.
    Command schema(bool drop) {
        const Token& keyword = m_cursor.next();
        if (drop) {
            DropSchema statement;
            statement.keyword = keyword.text;
            if (m_cursor.peek().is("if") && m_cursor.hasAhead(1) && m_cursor.peek(1).is("exists")) {
                statement.ifExists = m_cursor.next().text;
                m_cursor.next();
            }
            statement.name = m_cursor.name();
            m_cursor.expectEnd();
            return Command{statement, 1};
        }
        if (!m_firstInBatch)
            throw messages::mustBeFirstInBatch("CREATE SCHEMA");
        CreateSchema statement;
        statement.keyword = keyword.text;
        if (!m_cursor.peek().is("authorization"))
            statement.name = m_cursor.name();
        if (m_cursor.accept("authorization"))
            statement.owner = m_cursor.name();
        if (statement.name.empty())
            throw messages::notSupported("CREATE SCHEMA without a schema name");
        if (!m_cursor.atEnd())
            throw messages::notSupported("schema elements in CREATE SCHEMA");
        return Command{statement, 1};
    }

    Command drop() {
        const Token& kind = m_cursor.next();
        if (kind.is("index")) {
            DropIndexes drop;
            do {
                QualifiedName name = m_cursor.qualifiedName();
                if (name.parts.size() == 1 && m_cursor.accept("on")) {
                    // DROP INDEX ix ON [schema.]table, SQL Server 2005 and later
                    drop.onForm = true;
                    drop.indexes.emplace_back(m_cursor.qualifiedName().objectName(), name.last());
                    continue;
                }
                if (name.parts.size() < 2)
                    throw ServerError(
                        messages::make(
                            159, 15,
                            "Must specify the table name and index name for the DROP INDEX "
                            "statement."),
                        true);
                // DROP INDEX s.t.ix and DROP INDEX t.ix: the table is the part
                // before the index, its schema the one before that.
                ObjectName table{name.parts.size() >= 3 ? name.parts[name.parts.size() - 3]
                                                        : std::string(),
                                 name.parts[name.parts.size() - 2]};
                drop.indexes.emplace_back(std::move(table), name.last());
            } while (m_cursor.acceptSymbol(","));
            m_cursor.expectEnd();
            return Command{drop, 1};
        }
        DropObjects drop;
        if (kind.is("table"))
            drop.kind = DropKind::Table;
        else if (kind.is("procedure") || kind.is("proc"))
            drop.kind = DropKind::Procedure;
        else if (kind.is("view"))
            drop.kind = DropKind::View;
        else if (kind.is("trigger"))
            drop.kind = DropKind::Trigger;
        else if (kind.is("default"))
            drop.kind = DropKind::Default;
        else if (kind.is("rule"))
            drop.kind = DropKind::Rule;
        else if (kind.is("function"))
            drop.kind = DropKind::Function;
        else if (kind.is("statistics"))
            throw messages::notSupported("DROP " + asciiUpper(kind.text));
        else
            throw TokenCursor::unexpected(kind);
        do {
            drop.names.push_back(m_cursor.qualifiedName().objectName());
        } while (m_cursor.acceptSymbol(","));
        m_cursor.expectEnd();
        return Command{drop, 1};
    }

    Command module(bool alter) {
        const Token& kind = m_cursor.next();
        CreateModule module;
        module.alter = alter;
        module.kind = kind.is("view")       ? ModuleKind::View
                      : kind.is("trigger")  ? ModuleKind::Trigger
                      : kind.is("default")  ? ModuleKind::Default
                      : kind.is("rule")     ? ModuleKind::Rule
                      : kind.is("function") ? ModuleKind::Function
                                            : ModuleKind::Procedure;
        if (!m_firstInBatch) {
            std::string what = kind.is("proc") ? std::string("PROCEDURE") : asciiUpper(kind.text);
            throw messages::mustBeFirstInBatch(std::string(alter ? "ALTER " : "CREATE ") + what);
        }
        module.name = m_cursor.qualifiedName().objectName();
        module.text = m_batchText;
        if (module.kind == ModuleKind::Procedure && m_cursor.acceptSymbol(";"))
            throw messages::notSupported("numbered procedures");
        if (module.kind == ModuleKind::Trigger) {
            m_cursor.expect("on");
            module.triggerTable = m_cursor.qualifiedName().objectName();
        }
        if (module.kind == ModuleKind::Default || module.kind == ModuleKind::Rule) {
            // CREATE DEFAULT d AS expression / CREATE RULE r AS @value condition
            m_cursor.expect("as");
            if (m_cursor.atEnd())
                throw m_cursor.unexpected();
            m_cursor.seek(m_cursor.end());
            return Command{module, 1};
        }
        // The header runs up to the AS that opens the body; WITH ENCRYPTION
        // may stand in it.
        int depth = 0;
        bool sawAs = false;
        bool inWith = false;
        bool function = module.kind == ModuleKind::Function;
        while (!m_cursor.atEnd()) {
            const Token& token = m_cursor.next();
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            else if (depth == 0 && function && token.is("returns") && !m_cursor.atEnd()) {
                // RETURNS TABLE: inline; RETURNS @t TABLE (...): table; else scalar.
                const Token& type = m_cursor.peek();
                module.functionXtype = type.is("table")                       ? "IF"
                                       : type.isWord() && type.text[0] == '@' ? "TF"
                                                                              : "FN";
            } else if (depth == 0 && (token.is("as") ||
                                      (function && (token.is("begin") || token.is("return"))))) {
                // A function's AS is optional: its body starts with BEGIN or RETURN.
                sawAs = true;
                break;
            } else if (depth == 0 && token.is("with"))
                inWith = true;
            else if (depth == 0 && (token.is("for") || token.is("after") || token.is("instead"))) {
                inWith = false;
                module.insteadOf = module.insteadOf || token.is("instead");
            } else if (inWith && token.is("encryption"))
                module.encrypted = true;
            else if (inWith && token.is("schemabinding"))
                module.schemaBound = true;
        }
        if (!sawAs || m_cursor.atEnd())
            throw m_cursor.unexpected();
        m_cursor.seek(m_cursor.end());
        return Command{module, 1};
    }

    Command statistics() {
        m_cursor.expect("statistics");
        CreateIndex create;
        create.statistics = true;
        create.name = m_cursor.name();
        m_cursor.expect("on");
        create.table = m_cursor.qualifiedName().objectName();
        keyColumns(create);
        if (m_cursor.accept("with")) {
            do {
                if (m_cursor.accept("norecompute")) {
                    create.statusBits |= indexstatus::kNoRecompute;
                } else if (m_cursor.accept("sample")) {
                    m_cursor.integer();
                    if (!m_cursor.accept("percent"))
                        m_cursor.expect("rows");
                } else {
                    m_cursor.expect("fullscan");
                }
            } while (m_cursor.acceptSymbol(","));
        }
        m_cursor.expectEnd();
        return Command{create, 1};
    }

    Command index() {
        CreateIndex create;
        create.unique = m_cursor.accept("unique");
        if (m_cursor.accept("clustered"))
            create.clustered = true;
        else
            m_cursor.accept("nonclustered");
        m_cursor.expect("index");
        create.name = m_cursor.name();
        m_cursor.expect("on");
        create.table = m_cursor.qualifiedName().objectName();
        keyColumns(create);
        if (m_cursor.accept("include")) {
            m_cursor.expectSymbol("(");
            do
                create.included.push_back(m_cursor.name());
            while (m_cursor.acceptSymbol(","));
            m_cursor.expectSymbol(")");
        }
        if (m_cursor.accept("where"))
            create.filter = filterText();
        if (m_cursor.accept("with")) {
            do {
                const Token& option = m_cursor.next();
                if (option.is("fillfactor")) {
                    m_cursor.expectSymbol("=");
                    create.fillFactor = static_cast<int>(m_cursor.integer());
                } else if (option.is("pad_index")) {
                    create.statusBits |= indexstatus::kPadIndex;
                } else if (option.is("ignore_dup_key")) {
                    create.statusBits |= indexstatus::kIgnoreDuplicateKey;
                } else if (option.is("statistics_norecompute")) {
                    create.statusBits |= indexstatus::kNoRecompute;
                } else if (option.is("drop_existing")) {
                    create.dropExisting = true;
                } else if (!option.is("sort_in_tempdb")) { // leaves nothing behind
                    throw TokenCursor::unexpected(option);
                }
            } while (m_cursor.acceptSymbol(","));
        }
        if (m_cursor.accept("on")) {
            if (!m_cursor.accept("primary") && !m_cursor.accept("default")) {
                std::string group = m_cursor.name();
                if (!namesEqual(group, "PRIMARY"))
                    throw ServerError(
                        messages::make(1921, 16, "Invalid filegroup '" + group + "' specified."));
            }
        }
        m_cursor.expectEnd();
        return Command{create, 1};
    }

    // The predicate of a filtered index: everything up to WITH, ON or the
    // end at the outermost level.
    std::string filterText() {
        const std::size_t begin = m_cursor.position();
        int depth = 0;
        while (!m_cursor.atEnd()) {
            const Token& token = m_cursor.peek();
            if (depth == 0 && (token.is("with") || token.is("on")))
                break;
            if (token.isSymbol("("))
                ++depth;
            else if (token.isSymbol(")"))
                --depth;
            m_cursor.next();
        }
        if (m_cursor.position() == begin || depth != 0)
            throw m_cursor.unexpected();
        return m_cursor.textOf(begin, m_cursor.position());
    }

    void keyColumns(CreateIndex& create) {
        m_cursor.expectSymbol("(");
        do {
            create.columns.push_back(m_cursor.name());
            create.descending.push_back(!m_cursor.accept("asc") && m_cursor.accept("desc"));
        } while (m_cursor.acceptSymbol(","));
        m_cursor.expectSymbol(")");
    }

    TokenCursor& m_cursor;
    const std::string& m_batchText;
    bool m_firstInBatch;
};

} // namespace

Command parseObjectStatement(TokenCursor& cursor, const std::string& batchText, bool firstInBatch) {
    return ObjectParser(cursor, batchText, firstInBatch).run();
}

} // namespace testserver
