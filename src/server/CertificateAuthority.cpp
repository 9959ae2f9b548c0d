#include "CertificateAuthority.h"

#include "Log.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace server {

namespace {
template<auto Free> struct Freer {
    template<typename T> void operator()(T* object) const { Free(object); }
};
using X509Pointer = std::unique_ptr<X509, Freer<X509_free>>;
using KeyPointer = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using BioPointer = std::unique_ptr<BIO, Freer<BIO_free>>;
using BignumPointer = std::unique_ptr<BIGNUM, Freer<BN_free>>;
using ExtensionPointer = std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION_free>>;

constexpr long kSecondsPerDay = 24 * 60 * 60;

void logOpenSslFailure(std::string_view what)
{
    const unsigned long code = ERR_get_error();
    char reason[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, reason, sizeof reason);
    ERR_clear_error();
    base::log("certificates: " + std::string(what) + ": " + reason);
}

KeyPointer newKey()
{
    return KeyPointer(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
}

bool isIpAddress(const std::string& name)
{
    unsigned char address[16];
    return inet_pton(AF_INET, name.c_str(), address) == 1 || inet_pton(AF_INET6, name.c_str(), address) == 1;
}

// The mask that keeps the whole of address `name`, or none when it is no address.
std::optional<std::string> addressMask(const std::string& name)
{
    unsigned char address[16];
    if (inet_pton(AF_INET, name.c_str(), address) == 1)
        return "255.255.255.255";
    if (inet_pton(AF_INET6, name.c_str(), address) == 1)
        return "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff";
    return std::nullopt;
}

// Letters, digits, hyphens and dots, with an optional leading "*." label: nothing that could change
// the meaning of the extension text the name goes into.
bool isDnsName(const std::string& name)
{
    std::string_view rest = name;
    if (rest.starts_with("*."))
        rest.remove_prefix(2);
    if (rest.empty() || rest.size() > 253)
        return false;
    for (const char c : rest) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.'))
            return false;
    }
    return true;
}

bool addExtension(X509* certificate, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    const ExtensionPointer extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

// A certificate for `subjectKey` named `commonName`, not yet extended or signed.
X509Pointer newCertificate(EVP_PKEY* subjectKey, std::string_view commonName, int validDays)
{
    X509Pointer certificate(X509_new());
    const BignumPointer serial(BN_new());
    if (!certificate || !serial || X509_set_version(certificate.get(), X509_VERSION_3) != 1
        || BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1
        || !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get()))
        || !X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600)
        || !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), validDays * kSecondsPerDay)
        || X509_set_pubkey(certificate.get(), subjectKey) != 1)
        return nullptr;
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const std::string commonNameText(commonName);
    if (X509_NAME_add_entry_by_txt(
            name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Vantry"), -1, -1, 0)
            != 1
        || X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
               reinterpret_cast<const unsigned char*>(commonNameText.c_str()), -1, -1, 0)
            != 1)
        return nullptr;
    return certificate;
}

std::string pemOf(const std::function<int(BIO*)>& write)
{
    const BioPointer bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

BioPointer readOnlyBio(std::string_view text)
{
    return BioPointer(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

X509Pointer certificateFromPem(std::string_view pem)
{
    const BioPointer bio = readOnlyBio(pem);
    return X509Pointer(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}
} // namespace

std::unique_ptr<CertificateAuthority> CertificateAuthority::create(
    std::string_view commonName, const std::vector<std::string>& permittedNames, int validDays)
{
    std::string constraints;
    for (const std::string& name : permittedNames) {
        constraints += constraints.empty() ? "critical," : ",";
        if (const std::optional<std::string> mask = addressMask(name)) {
            constraints += "permitted;IP:" + name + "/" + *mask;
        } else if (isDnsName(name)) {
            constraints += "permitted;DNS:" + (name.starts_with("*.") ? name.substr(2) : name);
        } else {
            base::log("certificates: cannot limit an authority to " + name);
            return nullptr;
        }
    }
    KeyPointer key = newKey();
    X509Pointer certificate = key ? newCertificate(key.get(), commonName, validDays) : nullptr;
    if (!certificate || X509_set_issuer_name(certificate.get(), X509_get_subject_name(certificate.get())) != 1
        || !addExtension(
            certificate.get(), certificate.get(), NID_basic_constraints, "critical,CA:TRUE,pathlen:0")
        || (!constraints.empty()
            && !addExtension(certificate.get(), certificate.get(), NID_name_constraints, constraints))
        || !addExtension(certificate.get(), certificate.get(), NID_key_usage, "critical,keyCertSign,cRLSign")
        || !addExtension(certificate.get(), certificate.get(), NID_subject_key_identifier, "hash")
        || X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0) {
        logOpenSslFailure("cannot make a certificate authority");
        return nullptr;
    }
    return std::unique_ptr<CertificateAuthority>(
        new CertificateAuthority(certificate.release(), key.release()));
}

std::unique_ptr<CertificateAuthority> CertificateAuthority::fromPem(
    std::string_view certificatePem, std::string_view privateKeyPem)
{
    X509Pointer certificate = certificateFromPem(certificatePem);
    const BioPointer keyBio = readOnlyBio(privateKeyPem);
    KeyPointer key(keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr) : nullptr);
    ERR_clear_error();
    if (!certificate || !key || X509_check_ca(certificate.get()) == 0
        || X509_check_private_key(certificate.get(), key.get()) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return std::unique_ptr<CertificateAuthority>(
        new CertificateAuthority(certificate.release(), key.release()));
}

CertificateAuthority::CertificateAuthority(X509* certificate, EVP_PKEY* key)
    : certificate_(certificate)
    , key_(key)
{ }

CertificateAuthority::~CertificateAuthority()
{
    X509_free(certificate_);
    EVP_PKEY_free(key_);
}

std::optional<PemCertificate> CertificateAuthority::issueServerCertificate(
    const std::vector<std::string>& hostNames, int validDays) const
{
    std::string alternativeNames;
    for (const std::string& name : hostNames) {
        const bool address = isIpAddress(name);
        if (!address && !isDnsName(name))
            return std::nullopt;
        alternativeNames
            += (alternativeNames.empty() ? "" : ",") + std::string(address ? "IP:" : "DNS:") + name;
    }
    if (alternativeNames.empty())
        return std::nullopt;

    KeyPointer key = newKey();
    X509Pointer certificate = key ? newCertificate(key.get(), hostNames.front(), validDays) : nullptr;
    if (!certificate || X509_set_issuer_name(certificate.get(), X509_get_subject_name(certificate_)) != 1
        || !addExtension(certificate.get(), certificate_, NID_basic_constraints, "critical,CA:FALSE")
        || !addExtension(certificate.get(), certificate_, NID_key_usage, "critical,digitalSignature")
        || !addExtension(certificate.get(), certificate_, NID_ext_key_usage, "serverAuth")
        || !addExtension(certificate.get(), certificate_, NID_subject_alt_name, alternativeNames)
        || !addExtension(certificate.get(), certificate_, NID_authority_key_identifier, "keyid:always")
        || X509_sign(certificate.get(), key_, EVP_sha256()) == 0) {
        logOpenSslFailure("cannot issue a server certificate");
        return std::nullopt;
    }
    return PemCertificate {
        pemOf([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate.get()); }),
        pemOf([&](BIO* bio) {
            return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
        }),
    };
}

bool CertificateAuthority::vouchesFor(
    std::string_view certificatePem, const std::vector<std::string>& hostNames, int minimumDaysLeft) const
{
    const X509Pointer certificate = certificateFromPem(certificatePem);
    ERR_clear_error();
    if (!certificate || X509_verify(certificate.get(), X509_get0_pubkey(certificate_)) != 1) {
        ERR_clear_error();
        return false;
    }
    std::time_t until = std::time(nullptr) + static_cast<std::time_t>(minimumDaysLeft) * kSecondsPerDay;
    if (X509_cmp_time(X509_get0_notAfter(certificate.get()), &until) <= 0)
        return false;
    for (const std::string& name : hostNames) {
        const int matches = isIpAddress(name)
            ? X509_check_ip_asc(certificate.get(), name.c_str(), 0)
            : X509_check_host(certificate.get(), name.c_str(), name.size(), 0, nullptr);
        if (matches != 1)
            return false;
    }
    return true;
}

bool CertificateAuthority::trustsAsServer(std::string_view certificatePem) const
{
    const X509Pointer certificate = certificateFromPem(certificatePem);
    X509_STORE* store = X509_STORE_new();
    X509_STORE_CTX* context = X509_STORE_CTX_new();
    const bool trusted = certificate && store && context && X509_STORE_add_cert(store, certificate_) == 1
        && X509_STORE_CTX_init(context, store, certificate.get(), nullptr) == 1
        && X509_STORE_CTX_set_purpose(context, X509_PURPOSE_SSL_SERVER) == 1
        && X509_verify_cert(context) == 1;
    X509_STORE_CTX_free(context);
    X509_STORE_free(store);
    ERR_clear_error();
    return trusted;
}

std::string CertificateAuthority::certificatePem() const
{
    return pemOf([this](BIO* bio) { return PEM_write_bio_X509(bio, certificate_); });
}

std::string CertificateAuthority::privateKeyPem() const
{
    return pemOf([this](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key_, nullptr, nullptr, 0, nullptr, nullptr);
    });
}

bool writeOwnerOnlyFile(const std::string& path, std::string_view text)
{
    const std::string temporary = path + ".new";
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = descriptor >= 0 && ::fchmod(descriptor, 0600) == 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t step = ::write(descriptor, text.data() + done, text.size() - done);
        if (step < 0 && errno == EINTR)
            continue;
        written = step > 0;
        done += written ? static_cast<std::size_t>(step) : 0;
    }
    written = written && ::fsync(descriptor) == 0;
    if (descriptor >= 0)
        written = ::close(descriptor) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        base::log("certificates: cannot write " + path + ": " + std::strerror(errno));
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace server
