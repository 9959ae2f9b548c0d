#include "ServerCertificates.h"

#include "CertificateAuthority.h"
#include "Log.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace server {

namespace {
constexpr int kRenewDaysBeforeEnd = 30;

bool exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!(text << file.rdbuf())) {
        base::log("certificates: cannot read " + path);
        return std::nullopt;
    }
    return text.str();
}

std::unique_ptr<CertificateAuthority> authorityIn(const ServerCertificateFiles& files,
    const std::string& keyPath, const std::vector<std::string>& hostNames)
{
    if (!exists(files.authority) && !exists(keyPath)) {
        // It vouches for this server's names alone: a client that trusts it risks nothing else.
        std::unique_ptr<CertificateAuthority> authority
            = CertificateAuthority::create("Vantry server authority", hostNames);
        if (!authority || !writeOwnerOnlyFile(keyPath, authority->privateKeyPem())
            || !writeOwnerOnlyFile(files.authority, authority->certificatePem()))
            return nullptr;
        return authority;
    }
    const std::optional<std::string> certificate = readFile(files.authority);
    const std::optional<std::string> key = certificate ? readFile(keyPath) : std::nullopt;
    std::unique_ptr<CertificateAuthority> authority
        = key ? CertificateAuthority::fromPem(*certificate, *key) : nullptr;
    if (!authority && key) {
        base::log("certificates: " + files.authority + " and " + keyPath
            + " are not a certificate authority with its key; move them away to make a new one");
    }
    return authority;
}
} // namespace

std::optional<ServerCertificateFiles> prepareServerCertificates(
    const std::string& folder, const std::vector<std::string>& hostNames)
{
    ServerCertificateFiles files { folder + "/ca.pem", folder + "/server.pem", folder + "/server-key.pem" };
    files.madeAuthority = !exists(files.authority);
    const std::unique_ptr<CertificateAuthority> authority
        = authorityIn(files, folder + "/ca-key.pem", hostNames);
    if (!authority)
        return std::nullopt;

    if (exists(files.certificate) && exists(files.privateKey)) {
        const std::optional<std::string> certificate = readFile(files.certificate);
        if (!certificate)
            return std::nullopt;
        if (authority->vouchesFor(*certificate, hostNames, kRenewDaysBeforeEnd))
            return files;
    }
    const std::optional<PemCertificate> issued = authority->issueServerCertificate(hostNames);
    if (issued && !authority->trustsAsServer(issued->certificate)) {
        std::string names;
        for (const std::string& name : hostNames)
            names += (names.empty() ? "" : ", ") + name;
        base::log("certificates: the authority in " + files.authority + " does not vouch for " + names
            + ", so clients would refuse this server: give --cert and --key, or move " + files.authority
            + " and its key away to make a new authority (and give clients the new one)");
        return std::nullopt;
    }
    if (!issued || !writeOwnerOnlyFile(files.privateKey, issued->privateKey)
        || !writeOwnerOnlyFile(files.certificate, issued->certificate))
        return std::nullopt;
    files.madeCertificate = true;
    return files;
}

std::vector<std::string> serverHostNames(const std::string& address)
{
    std::vector<std::string> names { "localhost", "127.0.0.1", "::1" };
    std::string extra = address;
    if (address == "0.0.0.0" || address == "::" || address.empty()) {
        char hostName[256] = {};
        extra = ::gethostname(hostName, sizeof hostName - 1) == 0 ? hostName : "";
    }
    const bool plainName = std::all_of(extra.begin(), extra.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == ':';
    });
    if (!extra.empty() && plainName && std::find(names.begin(), names.end(), extra) == names.end())
        names.push_back(extra);
    return names;
}

} // namespace server
