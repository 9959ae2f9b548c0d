#include "HttpServer.h"

#include "HttpSession.h"
#include "Log.h"
#include "TlsServerContext.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <openssl/ssl.h>

namespace server {

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {
constexpr std::chrono::minutes kRefusalLogInterval { 1 };
constexpr std::chrono::milliseconds kAcceptRetry { 100 };
} // namespace

HttpServer::HttpServer(
    const HttpRoutes* plain, const HttpRoutes* tls, const TlsServerContext* tlsContext, HttpLimits limits)
    : plain_(plain)
    , tls_(tlsContext ? tls : nullptr)
    , limits_(limits)
{
    for (int i = 0; i < std::max(1, limits.threads); ++i)
        workers_.push_back(std::make_unique<Worker>());
    if (tlsContext) {
        // Asio's context frees the handle it is given; the TlsServerContext keeps its own reference.
        SSL_CTX_up_ref(tlsContext->context());
        ssl_.emplace(tlsContext->context());
    }
}

HttpServer::~HttpServer()
{
    stop();
}

int HttpServer::bind(const std::string& host, int port)
{
    const std::string service = std::to_string(port);
    boost::system::error_code error;
    tcp::resolver resolver(workers_.front()->io);
    const tcp::resolver::results_type addresses
        = resolver.resolve(host, service, tcp::resolver::passive | tcp::resolver::numeric_service, error);
    if (error) {
        base::log("cannot listen on " + host + " port " + service + ": " + error.message());
        return -1;
    }
    // Every address of the host ("localhost" may be ::1 and 127.0.0.1), all on the port the first got.
    int bound = -1;
    for (const tcp::resolver::results_type::value_type& address : addresses) {
        tcp::endpoint endpoint = address.endpoint();
        if (bound >= 0)
            endpoint.port(static_cast<unsigned short>(bound));
        auto acceptor = std::make_unique<tcp::acceptor>(workers_.front()->io);
        boost::system::error_code failure;
        acceptor->open(endpoint.protocol(), failure);
        if (!failure)
            acceptor->set_option(tcp::acceptor::reuse_address(true), failure);
        if (!failure && endpoint.address().is_v6())
            acceptor->set_option(net::ip::v6_only(true), failure);
        if (!failure)
            acceptor->bind(endpoint, failure);
        if (!failure)
            acceptor->listen(net::socket_base::max_listen_connections, failure);
        if (failure) {
            error = failure;
            continue;
        }
        bound = acceptor->local_endpoint().port();
        acceptors_.push_back(std::move(acceptor));
    }
    if (acceptors_.empty()) {
        base::log("cannot listen on " + host + " port " + service + ": " + error.message());
        return -1;
    }
    return bound;
}

void HttpServer::start()
{
    if (started_)
        return;
    started_ = true;
    for (const std::unique_ptr<tcp::acceptor>& acceptor : acceptors_)
        accept(*acceptor);
    for (const std::unique_ptr<Worker>& worker : workers_) {
        worker->keepRunning.emplace(worker->io.get_executor());
        worker->thread = std::thread([&io = worker->io] { io.run(); });
    }
}

HttpServer::Worker& HttpServer::nextWorker()
{
    return *workers_[next_++ % workers_.size()];
}

void HttpServer::accept(tcp::acceptor& acceptor)
{
    acceptor.async_accept(
        nextWorker().io, [this, &acceptor](boost::system::error_code error, HttpSession::Socket socket) {
            if (error == net::error::operation_aborted || !acceptor.is_open())
                return;
            if (error) {
                // Out of descriptors or memory: trying again at once would only spin.
                acceptFailed(acceptor, error);
                return;
            }
            {
                boost::system::error_code ignored;
                socket.set_option(tcp::no_delay(true), ignored);
                const tcp::endpoint peer = socket.remote_endpoint(ignored);
                const std::string address = ignored ? std::string("unknown") : peer.address().to_string();
                if (admit(address)) {
                    auto session = std::make_shared<HttpSession>(*this, std::move(socket), address);
                    bool stopping = false;
                    {
                        const std::lock_guard lock(mutex_);
                        stopping = stopping_;
                        sessions_.emplace(session.get(), session);
                    }
                    session->start();
                    if (stopping)
                        session->stop();
                }
            }
            accept(acceptor);
        });
}

void HttpServer::acceptFailed(tcp::acceptor& acceptor, const boost::system::error_code& error)
{
    {
        const std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (now - acceptFailureLogged_ >= kRefusalLogInterval) {
            acceptFailureLogged_ = now;
            base::logf("cannot accept connections: {}; trying again every {} ms", error.message(),
                kAcceptRetry.count());
        }
    }
    auto pause = std::make_shared<net::steady_timer>(workers_.front()->io, kAcceptRetry);
    pause->async_wait([this, &acceptor, pause](boost::system::error_code) {
        if (acceptor.is_open())
            accept(acceptor);
    });
}

bool HttpServer::admit(const std::string& address)
{
    const std::lock_guard lock(mutex_);
    std::size_t& fromAddress = perAddress_[address];
    if (open_ < limits_.connections && fromAddress < limits_.connectionsPerAddress) {
        ++fromAddress;
        ++open_;
        return true;
    }
    if (fromAddress == 0)
        perAddress_.erase(address);
    const auto now = std::chrono::steady_clock::now();
    const auto logged = refusalLogged_.find(address);
    if (logged == refusalLogged_.end() || now - logged->second >= kRefusalLogInterval) {
        refusalLogged_[address] = now;
        base::logf("refused connections from {}: {} open from it, {} in all (at most {} and {})", address,
            fromAddress, open_, limits_.connectionsPerAddress, limits_.connections);
    }
    return false;
}

void HttpServer::release(HttpSession* session, const std::string& address)
{
    const std::lock_guard lock(mutex_);
    sessions_.erase(session);
    --open_;
    if (const auto found = perAddress_.find(address); found != perAddress_.end() && --found->second == 0)
        perAddress_.erase(found);
}

void HttpServer::stop()
{
    std::vector<std::shared_ptr<HttpSession>> open;
    {
        const std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        for (const auto& [_, session] : sessions_) {
            if (std::shared_ptr<HttpSession> alive = session.lock())
                open.push_back(std::move(alive));
        }
    }
    for (const std::unique_ptr<tcp::acceptor>& acceptor : acceptors_) {
        net::post(acceptor->get_executor(), [&acceptor] {
            boost::system::error_code ignored;
            acceptor->close(ignored);
        });
    }
    for (const std::shared_ptr<HttpSession>& session : open)
        session->stop();
    open.clear();
    // With the acceptors closed and every session ending, the threads run out of work.
    if (!started_) {
        for (const std::unique_ptr<tcp::acceptor>& acceptor : acceptors_) {
            boost::system::error_code ignored;
            acceptor->close(ignored);
        }
    }
    for (const std::unique_ptr<Worker>& worker : workers_) {
        worker->keepRunning.reset();
        if (worker->thread.joinable())
            worker->thread.join();
    }
}

void HttpServer::post(std::function<void()> work)
{
    net::post(nextWorker().io, std::move(work));
}

} // namespace server
