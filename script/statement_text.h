#pragma once

#include "script/change.h"

#include <string>

// Every statement text the program generates is built here, one function per
// form. The texts are the scripts' own: letter case and blanks (two before
// Column of a trailing drop, two after CLUSTERED, two before NULL after a
// length) and all; the forms are shown below without quotes. Every catalog
// name goes through sqlName (data/sql_names.h): bare when it is a regular
// identifier, else in brackets with each ] doubled; a name between brackets
// the form writes itself has its ] doubled.

namespace dbc {

// What directly follows a column's type name: (<precision>,<scale>) for
// decimal and numeric when the scale is known, nothing otherwise.
std::string typeArguments(const Column& column);

// What follows a column's type and its arguments in every definition, piece
// by piece: IDENTITY (<seed>, <increment>) with a blank before and after for
// an identity column (seed and increment 1 where they are not known),
// (<length>) and a blank when the type takes a length (never for an alias
// type, nor for decimal or numeric written with their scale), a blank and
// COLLATE <collation> when there is one, then a blank and Not NULL or NULL.
// `creating`: as Create Table and Add write them, with NOT FOR REPLICATION
// after the identity and a blank and ROWGUIDCOL before the nullability where
// the source has them (ALTER COLUMN can set neither).
std::string columnAttributes(const Column& column, bool creating = false);

// use <database>.
std::string useStatement(const UseDatabase& change);

// CREATE SCHEMA [<schema>].
std::string createSchemaStatement(const CreateSchema& change);

// Create Table [dbo].[<table>] ([<column>] [<type>]<attributes>,...) ON [PRIMARY];
// a table of another schema is Create Table [<schema>].[<table>] (...).
std::string createTableStatement(const CreateTable& change);

// Alter Table <table> Add <column> <type><attributes>, followed by
// CONSTRAINT <name> DEFAULT <value> (with a blank before each word) when it
// carries its default; for a computed column Alter Table <table> Add <column>
// AS (<definition>), the definition bare (expression_text.h), with a line end
// before the ")" when it holds "--". Create Table writes a computed column
// [<column>] AS (<definition>).
std::string addColumnStatement(const AddColumn& change);

// Alter Table <table> Alter COLUMN <column> <type><attributes>.
std::string alterColumnStatement(const AlterColumn& change);

// Alter Table <table> Drop Column <column> , or with Drop  Column for a
// trailing drop.
std::string dropColumnStatement(const DropColumn& change);

// The index of a primary key or unique constraint as that constraint:
// "ALTER TABLE <table> ADD CONSTRAINT <index> PRIMARY KEY|UNIQUE
// CLUSTERED|NONCLUSTERED (<keys>) ON [PRIMARY]"; any other as
// "Create [UNIQUE ][CLUSTERED  ]INDEX <index> On [<table>] (<keys>) ON [PRIMARY]".
// Keys are "[<key>]", a descending one "[<key>] DESC", joined by ",".
std::string createIndexStatement(const CreateIndex& change);

// "ALTER TABLE <table> DROP CONSTRAINT <index>" for the index of a key
// constraint (SQL Server refuses DROP INDEX on it), else "Drop Index
// <table>.<index>", or "Drop Index <index> On [<schema>].[<table>]" for a
// table of another schema than dbo.
std::string dropIndexStatement(const DropIndex& change);

// The object's stored text, as it is.
std::string createModuleStatement(const CreateModule& change);

// drop procedure [dbo].<name>, drop View [dbo].<name>, drop function
// [dbo].<name> (scalar, inline and table-valued alike), or for a trigger
// drop TRIGGER [dbo].<name> when its text was unreadable and
// drop TRigger [dbo].<name> when it differed; an object of another schema
// with [<schema>].[<name>] in place of [dbo].<name>.
std::string dropModuleStatement(const DropModule& change);

// ALTER TABLE <table> WITH NOCHECK ADD CONSTRAINT <name> DEFAULT <value> FOR
// <column>, the value without control bytes and blanks at its ends.
std::string addDefaultStatement(const AddDefault& change);

// ALTER TABLE <table> Drop <name>.
std::string dropDefaultStatement(const DropDefault& change);

// ALTER TABLE <table> DROP CONSTRAINT <name>, both names bracketed where
// they need it.
std::string dropForeignKeyStatement(const DropForeignKey& change);

// ALTER TABLE <table> ADD CONSTRAINT <name> FOREIGN KEY ([a],[b]) REFERENCES
// <table> ([x],[y]), with " ON DELETE CASCADE", " ON UPDATE CASCADE" and
// " NOT FOR REPLICATION" where the key has them, and "WITH NOCHECK " before
// ADD for a key put back that the target did not trust (or had disabled): its
// rows were never checked, so they are not checked now either. A key the
// compare adds is checked over the existing rows.
std::string addForeignKeyStatement(const AddForeignKey& change);

// "-- <object>: <reason>", one line: every byte below 32 (a line break in a
// name) and 127 written as \xHH, so no part of it reads as a statement.
std::string unscriptedChangeComment(const UnscriptedChange& change);

// "<table>.<column>" as the script writes the two names.
std::string columnObjectName(const std::string& table, const std::string& column);

// ALTER TABLE <table> ADD CONSTRAINT <name> CHECK <definition>, or CHECK NOT
// FOR REPLICATION <definition>: the definition without blanks and line ends
// at its ends, put in parentheses when it is not wholly in a pair already.
std::string addCheckStatement(const AddCheck& change);

// ALTER TABLE <table> DROP CONSTRAINT <name>.
std::string dropCheckStatement(const DropCheck& change);

// ALTER TABLE <table> CHECK CONSTRAINT <name>, or NOCHECK CONSTRAINT to
// disable it.
std::string constraintCheckingStatement(const SetConstraintChecking& change);

// EXEC sp_addtype N'<name>', N'<base>[(<length>)|(<precision>,<scale>)]',
// N'NULL' or N'NOT NULL': the length for the types declared with one
// (char, varchar, nchar, nvarchar, binary, varbinary), precision and scale
// for decimal and numeric.
std::string addAliasTypeStatement(const AddAliasType& change);

// DROP TABLE <table>.
std::string dropTableStatement(const DropTable& change);

// drop procedure|View|TRigger|function [dbo].<name>, as the kind asks.
std::string dropExtraModuleStatement(const DropExtraModule& change);

// SET IDENTITY_INSERT <table> ON, or OFF.
std::string identityInsertStatement(const std::string& table, bool on);

// INSERT INTO <temporary> ([a],[b],[new]) SELECT [a],[b],<default value> FROM
// <old table>: the rebuild's copy of the rows, each value converted to the new
// column's type as the INSERT converts it (as ALTER COLUMN does: a value
// that does not fit is refused, never cut).
std::string copyRowsStatement(const RebuildTable& change);

// EXEC sp_rename N'[<from>]', N'<to>': the object name bracketed (sp_rename
// parses it as a name; N'[<schema>].[<from>]' outside dbo), the new name as
// it is without its schema (sp_rename takes it whole, in the same schema).
std::string renameTableStatement(const std::string& from, const std::string& to);

// EXEC (N'<text>'): a statement that must begin a batch (CREATE TRIGGER)
// run inside another batch.
std::string execTextStatement(const std::string& text);

// The rebuild as one batch, one statement a line: SET XACT_ABORT ON, BEGIN
// TRANSACTION, the new table created under the temporary name, the rows
// copied (inside SET IDENTITY_INSERT ON and OFF where it says so), the
// foreign keys dropped, DROP TABLE, the rename, what is put back (triggers
// through EXEC), COMMIT TRANSACTION, SET XACT_ABORT OFF. A statement refused
// anywhere in it rolls the whole rebuild back and ends the batch, so the old
// table stays as it was; the batch is one statement of the script, so a
// statement-by-statement run goes on after it with the table unchanged.
std::string rebuildTableStatement(const RebuildTable& change);

// The text of any change.
std::string statementText(const Change& change);

} // namespace dbc
