#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using X509 = struct x509_st;
using EVP_PKEY = struct evp_pkey_st;

namespace server {

// A certificate and its private key, as PEM texts.
struct PemCertificate {
    std::string certificate;
    std::string privateKey;
};

// A small certificate authority of our own, over OpenSSL: makes the authority (an EC P-256 key and a
// self-signed CA certificate) and issues TLS server certificates signed by it. A client that trusts
// the authority's certificate (the game client's --ca-file) then trusts every server it issued for.
// vantry-server makes one on its first start; tests make one for loopback servers.
//
// Certificates are X.509 v3 with SHA-256 signatures and random 127-bit serial numbers, valid from an
// hour before they are made (clocks differ). Immutable once made; any thread may use it.
class CertificateAuthority {
public:
    // A new authority named `commonName`, valid for `validDays`. With `permittedNames` (DNS names and
    // addresses, as for issueServerCertificate) its certificate says that it vouches for those alone
    // (a DNS name with its subdomains; a wildcard name for its domain), so a client that trusts it
    // trusts nothing else through it; it never certifies another authority either. Null (logged)
    // when OpenSSL fails or a permitted name is neither a DNS name nor an address.
    static std::unique_ptr<CertificateAuthority> create(std::string_view commonName,
        const std::vector<std::string>& permittedNames = {}, int validDays = 3650);
    // The authority whose CA certificate and private key these PEM texts hold; null when they do not
    // hold a CA certificate and its matching key.
    static std::unique_ptr<CertificateAuthority> fromPem(
        std::string_view certificatePem, std::string_view privateKeyPem);
    ~CertificateAuthority();
    CertificateAuthority(const CertificateAuthority&) = delete;
    CertificateAuthority& operator=(const CertificateAuthority&) = delete;

    // A server certificate for `hostNames`, with a new EC P-256 key, signed by this authority. Each
    // name is a DNS name ("localhost", "play.example.org", "*.example.org") or an IPv4 or IPv6
    // address ("127.0.0.1", "::1"), which goes into the certificate as an IP address; the first name
    // is also the subject's common name. None when the list is empty, a name is neither, or OpenSSL
    // fails.
    std::optional<PemCertificate> issueServerCertificate(
        const std::vector<std::string>& hostNames, int validDays = 397) const;

    // Whether `certificatePem` is a certificate this authority signed, still valid `minimumDaysLeft`
    // days from now, for every one of `hostNames`.
    bool vouchesFor(std::string_view certificatePem, const std::vector<std::string>& hostNames,
        int minimumDaysLeft) const;

    // Whether a TLS client that trusts this authority alone accepts `certificatePem` as a server's
    // certificate: signed by it, within its time and within the names it may vouch for.
    bool trustsAsServer(std::string_view certificatePem) const;

    std::string certificatePem() const;
    std::string privateKeyPem() const;

private:
    CertificateAuthority(X509* certificate, EVP_PKEY* key);

    X509* certificate_; // owned
    EVP_PKEY* key_; // owned
};

// Writes `text` to `path` with owner-only permissions (0600), through a temporary file renamed into
// place, so that a reader never sees half a file. False (logged) on failure.
bool writeOwnerOnlyFile(const std::string& path, std::string_view text);

} // namespace server
