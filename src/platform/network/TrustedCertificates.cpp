#include "TrustedCertificates.h"

#include "Log.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace platform {

bool TrustedCertificates::addAuthoritiesFromFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        base::logf("Cannot read the certificate file {}: {}", path, file.errorString().toStdString());
        return false;
    }
    const QList<QSslCertificate> authorities = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (authorities.isEmpty()) {
        base::logf("No PEM certificate in {}", path);
        return false;
    }
    // Requests made from now on start from the default configuration.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(authorities);
    QSslConfiguration::setDefaultConfiguration(configuration);
    return true;
}

} // namespace platform
