#pragma once

#include "change.h"

#include <string>

// Every statement text the program generates is built here, one function per
// form. The texts are the scripts' own: letter case, blanks (two before
// "Column" of a trailing drop, after "CLUSTERED", before "NULL") and all.

namespace dbc {

// What follows a column's name and type in every definition: " IDENTITY (1,
// 1) " for an identity column, "(<length>) " when the type takes a length,
// " COLLATE <collation>" when there is one, then " Not NULL" or " NULL".
std::string columnAttributes(const Column& column);

// "use <database>".
std::string useStatement(const UseDatabase& change);

// "Create Table [dbo].[<table>] ([<column>] [<type>]<attributes>,...) ON [PRIMARY]".
std::string createTableStatement(const CreateTable& change);

// "Alter Table <table> Add <column> <type><attributes>".
std::string addColumnStatement(const AddColumn& change);

// "Alter Table <table> Alter COLUMN <column> <type><attributes>".
std::string alterColumnStatement(const AlterColumn& change);

// "Alter Table <table> Drop Column <column> ", or with "Drop  Column" for a
// trailing drop.
std::string dropColumnStatement(const DropColumn& change);

// "Create CLUSTERED  INDEX <index> On [<table>] ([<key>],...) ON [PRIMARY]",
// or "Create INDEX ..." for a nonclustered index.
std::string createIndexStatement(const CreateIndex& change);

// "Drop Index <table>.<index>".
std::string dropIndexStatement(const DropIndex& change);

// The object's stored text, as it is.
std::string createModuleStatement(const CreateModule& change);

// "drop procedure [dbo].<name>", "drop View [dbo].<name>", or for a trigger
// "drop TRIGGER [dbo].<name>" when its text was unreadable and
// "drop TRigger [dbo].<name>" when it differed.
std::string dropModuleStatement(const DropModule& change);

// "ALTER TABLE <table> WITH NOCHECK ADD CONSTRAINT <name> DEFAULT <value> FOR
// <column>", the value without control bytes and blanks at its ends.
std::string addDefaultStatement(const AddDefault& change);

// "ALTER TABLE <table> Drop <name>".
std::string dropDefaultStatement(const DropDefault& change);

// The text of any change.
std::string statementText(const Change& change);

} // namespace dbc
