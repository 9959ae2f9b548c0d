#include "TlsServerContext.h"

#include "Log.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace server {

namespace {
// The one protocol spoken over TLS; a client that offers others but not it gets none.
int selectHttp11(SSL*, const unsigned char** selected, unsigned char* selectedLength,
    const unsigned char* offered, unsigned int offeredLength, void*)
{
    static constexpr unsigned char kHttp11[] = { 8, 'h', 't', 't', 'p', '/', '1', '.', '1' };
    unsigned char* chosen = nullptr;
    if (SSL_select_next_proto(&chosen, selectedLength, kHttp11, sizeof kHttp11, offered, offeredLength)
        != OPENSSL_NPN_NEGOTIATED)
        return SSL_TLSEXT_ERR_NOACK;
    *selected = chosen;
    return SSL_TLSEXT_ERR_OK;
}
} // namespace

std::unique_ptr<TlsServerContext> TlsServerContext::fromFiles(
    const std::string& certificate, const std::string& privateKey)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    // TLS 1.3, or 1.2 with forward secrecy and an AEAD cipher only.
    if (!context || SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1
        || SSL_CTX_set_cipher_list(context, "ECDHE+AESGCM:ECDHE+CHACHA20") != 1
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
    SSL_CTX_set_options(
        context, SSL_OP_NO_RENEGOTIATION | SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_CIPHER_SERVER_PREFERENCE);
    SSL_CTX_set_alpn_select_cb(context, selectHttp11, nullptr);
    return std::unique_ptr<TlsServerContext>(new TlsServerContext(context));
}

TlsServerContext::~TlsServerContext()
{
    SSL_CTX_free(context_);
}

} // namespace server
