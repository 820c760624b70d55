#pragma once

#include <optional>
#include <string>
#include <string_view>

// The name a procedure, view, trigger or function's stored text gives it in its CREATE
// header. sp_rename renames the object but leaves its text as it was, so the
// text of a renamed object still says CREATE PROCEDURE p_old.

namespace dbc {

// Where the object's own name stands in the header "CREATE PROC[EDURE] |
// VIEW | TRIGGER | FUNCTION [owner.]name": the byte range of the name part (its
// brackets or quotes included) and the name it reads as.
struct HeaderName {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string name;
    // The header names an owner (a schema) before the name.
    bool qualified = false;
};

// Reads the header, skipping blanks, line breaks, "--" comments and nested
// "/* */" comments before and between its words. Nothing when the text does
// not begin that way or a comment, bracket or quote is not closed.
std::optional<HeaderName> findHeaderName(std::string_view text);

// The text that creates the object under `name`: unchanged when the header
// already names it (as names compare, name_key.h), else with the header's
// name part replaced by `name` as a statement writes it, the owner prefix
// kept. An object of a schema other than dbo (data/object_name.h) whose
// header names no owner is given "[schema].[name]", so that it is created in
// its schema, not in the connection's default one. Nothing when the header
// cannot be read.
std::optional<std::string> textUnderName(const std::string& text, std::string_view name);

} // namespace dbc
