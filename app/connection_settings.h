#pragma once

#include "data/connection_security.h"

class QSettings;

namespace dbc {

// The window's connection security from the settings file's [connection]
// group, which the user edits (the window has no boxes for it):
//   encrypt=yes|no|strict (Driver 18's mandatory and optional too); absent:
//     the driver's default; any other text counts as yes, so a slip of the
//     pen never weakens the connection
//   trustServerCertificate=true
//   integrated=true (the user and password boxes are then not sent)
ConnectionSecurity connectionSecurityFrom(const QSettings& settings);

} // namespace dbc
