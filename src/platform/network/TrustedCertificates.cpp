#include "TrustedCertificates.h"

#include "Log.h"

#include <QFile>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <map>

namespace platform {

namespace {
// The extra authorities by host; main thread only, as every request.
std::map<std::string, QList<QSslCertificate>>& authoritiesByHost()
{
    static std::map<std::string, QList<QSslCertificate>> authorities;
    return authorities;
}
} // namespace

bool TrustedCertificates::addAuthoritiesFromFile(const std::string& path, const std::string& host)
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
    authoritiesByHost()[QString::fromStdString(host).toLower().toStdString()] += authorities;
    return true;
}

void TrustedCertificates::applyTo(QNetworkRequest& request, const std::string& host)
{
    const auto found = authoritiesByHost().find(QString::fromStdString(host).toLower().toStdString());
    if (found == authoritiesByHost().end())
        return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(found->second);
    request.setSslConfiguration(configuration);
}

} // namespace platform
