#include "TlsServerContext.h"

#include "Log.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace server {

std::unique_ptr<TlsServerContext> TlsServerContext::fromFiles(
    const std::string& certificate, const std::string& privateKey)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1
        || SSL_CTX_use_certificate_chain_file(context, certificate.c_str()) != 1
        || SSL_CTX_use_PrivateKey_file(context, privateKey.c_str(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_check_private_key(context) != 1) {
        char reason[256] = "unknown error";
        if (const unsigned long code = ERR_get_error())
            ERR_error_string_n(code, reason, sizeof reason);
        ERR_clear_error();
        base::log(
            "TLS: cannot use the certificate " + certificate + " with the key " + privateKey + ": " + reason);
        SSL_CTX_free(context);
        return nullptr;
    }
    SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION | SSL_OP_IGNORE_UNEXPECTED_EOF);
    // Writes on non-blocking sockets may finish in parts, from a buffer that moved since.
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return std::unique_ptr<TlsServerContext>(new TlsServerContext(context));
}

TlsServerContext::~TlsServerContext()
{
    SSL_CTX_free(context_);
}

} // namespace server
