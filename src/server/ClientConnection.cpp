#include "ClientConnection.h"

#include <openssl/ssl.h>

#include <unistd.h>

namespace server {

namespace {
constexpr int kTlsHandshakeRecord = 0x16;
} // namespace

ClientConnection::~ClientConnection()
{
    if (tls_) {
        if (!stream_.broken())
            SSL_shutdown(tls_);
        SSL_free(tls_);
    }
    ::close(socket_);
}

bool ClientConnection::open(HttpRoutes* plainRoutes, HttpRoutes* tlsRoutes, SSL_CTX* tlsContext)
{
    const int firstByte = stream_.peekFirstByte();
    const bool tlsHello = firstByte == kTlsHandshakeRecord;
    HttpRoutes* routes = tlsHello ? tlsRoutes : plainRoutes;
    if (firstByte < 0 || !routes)
        return false;
    if (tlsHello) {
        tls_ = SSL_new(tlsContext);
        if (!tls_ || SSL_set_fd(tls_, socket_) != 1 || !stream_.startTls(tls_))
            return false;
    }
    routes_ = routes;
    return true;
}

} // namespace server
