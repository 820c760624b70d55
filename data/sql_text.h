#pragma once

#include <string>
#include <string_view>

namespace dbc {

// `text` without the bytes of value 32 or below (blanks, tabs, line ends and
// other control bytes) at both ends; nothing inside it changes.
std::string_view trimControl(std::string_view text) noexcept;

// `value` as a Transact-SQL Unicode string literal: N'...' with every
// apostrophe doubled, so a name goes to the server as data, never as SQL.
std::string nStringLiteral(std::string_view value);

} // namespace dbc
