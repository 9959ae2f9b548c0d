#pragma once

#include <optional>
#include <string>
#include <vector>

namespace server {

// The TLS files of a server that keeps its own certificate authority in its data folder.
struct ServerCertificateFiles {
    std::string authority; // <folder>/ca.pem: what clients are told to trust
    std::string certificate; // <folder>/server.pem
    std::string privateKey; // <folder>/server-key.pem
    bool madeAuthority = false; // true when this call made the authority
    bool madeCertificate = false; // true when this call issued the server certificate
};

// Readies the authority and server certificate in `folder` (which must exist): the authority
// (ca.pem, ca-key.pem) is made when both files are missing and kept for good afterwards, so that
// clients keep trusting it; the server certificate (server.pem, server-key.pem) is issued again when
// missing, not signed by that authority, not for every one of `hostNames`, or within 30 days of its
// end. Every file is owner-only. None (logged) when a file cannot be read or written, or ca.pem and
// ca-key.pem are not a matching authority (they are never replaced silently).
std::optional<ServerCertificateFiles> prepareServerCertificates(
    const std::string& folder, const std::vector<std::string>& hostNames);

// The names a server listening on `address` should be reachable under: the loopback names
// ("localhost", "127.0.0.1", "::1"), and the address itself, or, for a wildcard address ("0.0.0.0",
// "::"), the machine's host name.
std::vector<std::string> serverHostNames(const std::string& address);

} // namespace server
