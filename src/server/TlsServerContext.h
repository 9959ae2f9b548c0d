#pragma once

#include <memory>
#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace server {

// The OpenSSL settings every TLS connection of a server shares: its certificate chain and key, TLS
// 1.3, or 1.2 with ECDHE and an AEAD cipher (AES-GCM, ChaCha20-Poly1305) only, no renegotiation, and
// ALPN "http/1.1". Any thread may make connections from it.
class TlsServerContext {
public:
    // From PEM files: the server's certificate (followed by any intermediate certificates) and its
    // private key. Null (logged) when they cannot be read or do not match.
    static std::unique_ptr<TlsServerContext> fromFiles(
        const std::string& certificate, const std::string& privateKey);
    ~TlsServerContext();
    TlsServerContext(const TlsServerContext&) = delete;
    TlsServerContext& operator=(const TlsServerContext&) = delete;

    SSL_CTX* context() const { return context_; }

private:
    explicit TlsServerContext(SSL_CTX* context)
        : context_(context)
    { }

    SSL_CTX* context_; // owned
};

} // namespace server
