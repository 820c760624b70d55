#include "app/connection_settings.h"

#include <QSettings>

namespace dbc {

ConnectionSecurity connectionSecurityFrom(const QSettings& settings) {
    ConnectionSecurity security;
    const QVariant encrypt = settings.value(QStringLiteral("connection/encrypt"));
    if (encrypt.isValid())
        security.encryption =
            encryptionNamed(encrypt.toString().trimmed().toStdString()).value_or(Encryption::Yes);
    security.trustServerCertificate =
        settings.value(QStringLiteral("connection/trustServerCertificate"), false).toBool();
    security.integratedLogin =
        settings.value(QStringLiteral("connection/integrated"), false).toBool();
    return security;
}

} // namespace dbc
