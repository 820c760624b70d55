#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dbc {

// Whether the connection to SQL Server is encrypted (TLS).
enum class Encryption {
    DriverDefault, // nothing asked: FreeTDS encrypts when the server offers
                   // it, Microsoft's ODBC Driver 18 always and checks the
                   // certificate, Driver 17 only when the server asks
    No,            // not encrypted unless the server insists
    Yes,           // encrypted, or no connection
    Strict,        // TDS 8.0: encrypted before the first TDS message
};

// What a connection asks of the driver beyond the four connection boxes.
struct ConnectionSecurity {
    Encryption encryption = Encryption::DriverDefault;
    // Encrypt without checking the server's certificate against a trusted
    // authority (a self-signed certificate is taken as is).
    bool trustServerCertificate = false;
    // Log in as the user running the program (Windows login; Kerberos on
    // Linux): no login name or password is sent.
    bool integratedLogin = false;
};

// "yes", "no" or "strict" (Driver 18's "mandatory" and "optional" stand for
// yes and no; letter case is ignored); nothing for any other text.
std::optional<Encryption> encryptionNamed(std::string_view text);

// The name encryptionNamed() reads back ("yes", "no", "strict"; "default").
std::string encryptionName(Encryption encryption);

} // namespace dbc
