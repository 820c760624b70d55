#include "data/connection_security.h"

#include "data/result.h"

namespace dbc {

std::optional<Encryption> encryptionNamed(std::string_view text) {
    if (equalsIgnoringCase(text, "yes") || equalsIgnoringCase(text, "mandatory"))
        return Encryption::Yes;
    if (equalsIgnoringCase(text, "no") || equalsIgnoringCase(text, "optional"))
        return Encryption::No;
    if (equalsIgnoringCase(text, "strict"))
        return Encryption::Strict;
    return std::nullopt;
}

std::string encryptionName(Encryption encryption) {
    switch (encryption) {
    case Encryption::No:
        return "no";
    case Encryption::Yes:
        return "yes";
    case Encryption::Strict:
        return "strict";
    case Encryption::DriverDefault:
        break;
    }
    return "default";
}

} // namespace dbc
