#include "object_compare.h"

#include "database_error.h"
#include "object_text.h"
#include "row_groups.h"
#include "sql_text.h"

#include <optional>
#include <string>

namespace dbc {

const ObjectCategory procedureCategory{
    "Select SpName From SourceSp Group by SpName",
    "Select * From SourceSp ",
    "SpName",
    "SpText",
    "Select * From sysObjects where type='P' and Status>=0 and name=",
    "drop procedure [dbo].",
    "drop procedure [dbo].",
};

const ObjectCategory viewCategory{
    "Select ViewName From SourceView Group by ViewName",
    "Select * From SourceView ",
    "ViewName",
    "ViewText",
    "Select * From sysObjects where type='V' and Status>=0 and name=",
    "drop View [dbo].",
    "drop View [dbo].",
};

const ObjectCategory triggerCategory{
    "Select TRName From SourceTR Group by TRName",
    "Select * From SourceTR ",
    "TRName",
    "TRText",
    "Select * From sysObjects where type='TR' and Status>=0 and name=",
    "drop TRIGGER [dbo].",
    "drop TRigger [dbo].",
};

namespace {

TextRows columnValues(const Result& result, std::string_view field) {
    TextRows rows;
    if (result.empty())
        return rows;
    const std::size_t column = result.columnIndex(field);
    rows.reserve(result.size());
    for (const auto& row : result.rows())
        rows.push_back(row.at(column));
    return rows;
}

void recreate(ScriptBuffer& buffer, const std::string& drop, const std::string& storedText) {
    buffer.addSeparator();
    buffer.addStatement(drop);
    buffer.addSeparator();
    buffer.addStatement(storedText);
}

// What the target holds of one snapshot object; Unknown until its replies
// are in.
enum class TargetState { Unknown, Missing, WithoutText, Same, Different };

struct SnapshotObject {
    std::string name;
    TextRows stored;
    TargetState state = TargetState::Unknown;
};

// The snapshot's objects of the category in name-list order, each with its
// stored rows. A listed name always has stored rows; without them there would
// be nothing to re-create an object from, so such a name is left out.
std::vector<SnapshotObject> snapshotObjects(const ObjectCategory& category, const Result& nameList,
                                            const Result& storedRows, const TextRows& allText) {
    const RowGroups groups(storedRows, category.nameField);
    std::vector<SnapshotObject> objects;
    for (const std::string& name : distinctNames(nameList, category.nameField)) {
        SnapshotObject object{name, {}};
        for (std::size_t row : groups.rowsOf(name))
            object.stored.push_back(allText[row]);
        if (!object.stored.empty())
            objects.push_back(std::move(object));
    }
    return objects;
}

// Writes the objects' statements in name-list order, each as soon as it and
// every object before it are decided, so that a run that fails part way keeps
// the statements of the objects decided before the failure.
class ScriptWriter {
public:
    ScriptWriter(const ObjectCategory& category, ScriptBuffer& buffer,
                 const std::vector<SnapshotObject>& objects)
        : m_category(category), m_buffer(buffer), m_objects(objects) {}

    void writeDecided() {
        for (; m_next < m_objects.size(); ++m_next) {
            const SnapshotObject& object = m_objects[m_next];
            if (object.state == TargetState::Unknown)
                return;
            write(object);
        }
    }

private:
    void write(const SnapshotObject& object) {
        switch (object.state) {
        case TargetState::Missing:
            m_buffer.addSeparator();
            m_buffer.addStatement(joinedText(object.stored));
            break;
        case TargetState::WithoutText:
            recreate(m_buffer, m_category.dropWhenNoText + object.name, joinedText(object.stored));
            break;
        case TargetState::Different:
            recreate(m_buffer, m_category.dropWhenDifferent + object.name,
                     joinedText(object.stored));
            break;
        case TargetState::Same:
        case TargetState::Unknown:
            break;
        }
    }

    const ObjectCategory& m_category;
    ScriptBuffer& m_buffer;
    const std::vector<SnapshotObject>& m_objects;
    std::size_t m_next = 0;
};

// Asks the target which objects exist. Returns the error of the first
// existence query that failed, if any; the objects before it are decided
// as missing or present (with the state still Unknown for these).
std::optional<DatabaseError> readExistence(const ObjectCategory& category, Connection& target,
                                           std::vector<SnapshotObject>& objects,
                                           std::vector<SnapshotObject*>& present) {
    std::vector<std::string> queries;
    queries.reserve(objects.size());
    for (const auto& object : objects)
        queries.push_back(category.existenceQuery + nStringLiteral(object.name));
    struct Stop {};
    std::optional<DatabaseError> failure;
    try {
        target.openEach(queries, [&](std::size_t index, ResultOrError reply) {
            if (auto* error = std::get_if<DatabaseError>(&reply)) {
                failure = std::move(*error);
                throw Stop{};
            }
            if (std::get<Result>(reply).empty())
                objects[index].state = TargetState::Missing;
            else
                present.push_back(&objects[index]);
        });
    } catch (const Stop&) {
    }
    return failure;
}

// Asks the target for the text of the present objects: sp_helptext fails
// for an encrypted object or one dropped since, and a result without rows or
// without a result set carries no text either.
void readTexts(Connection& target, const std::vector<SnapshotObject*>& present,
               ScriptWriter& writer) {
    std::vector<std::string> queries;
    queries.reserve(present.size());
    for (const auto* object : present)
        queries.push_back("Exec sp_helpText " + nStringLiteral(object->name));
    target.openEach(queries, [&](std::size_t index, ResultOrError reply) {
        SnapshotObject& object = *present[index];
        const auto* text = std::get_if<Result>(&reply);
        if (!text || text->empty())
            object.state = TargetState::WithoutText;
        else if (comparisonForm(object.stored) == comparisonForm(columnValues(*text, "Text")))
            object.state = TargetState::Same;
        else
            object.state = TargetState::Different;
        writer.writeDecided();
    });
}

} // namespace

bool compareObjects(const ObjectCategory& category, Connection& store, Connection& target,
                    ScriptBuffer& buffer) {
    const Result nameList = store.open(category.nameListQuery);
    const Result storedRows = store.open(category.storedRowsQuery);
    if (nameList.empty())
        return false;

    const TextRows allText = columnValues(storedRows, category.textField);
    std::vector<SnapshotObject> objects = snapshotObjects(category, nameList, storedRows, allText);
    // The requests of each kind may travel batched; the replies come in
    // name-list order and each object is written once decided.
    ScriptWriter writer(category, buffer, objects);
    std::vector<SnapshotObject*> present;
    std::optional<DatabaseError> failure = readExistence(category, target, objects, present);
    writer.writeDecided();
    readTexts(target, present, writer);
    if (failure)
        throw *failure;
    return true;
}

} // namespace dbc
