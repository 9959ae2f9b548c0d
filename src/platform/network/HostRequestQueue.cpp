#include "HostRequestQueue.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>

namespace platform {

HostRequestQueue::HostRequestQueue(int limitPerHost)
    : limit_(std::max(1, limitPerHost))
    , context_(std::make_unique<QObject>())
{ }

HostRequestQueue::~HostRequestQueue() = default;

HostRequestQueue::Ticket HostRequestQueue::enqueue(const std::string& host, Send send)
{
    const Ticket ticket = ++lastTicket_;
    Host& state = hosts_[host];
    const bool sendNow = state.waiting.empty();
    state.waiting.emplace_back(ticket, std::move(send));
    if (sendNow)
        sendWaiting(host);
    return ticket;
}

void HostRequestQueue::finished(Ticket ticket)
{
    if (const auto running = running_.find(ticket); running != running_.end()) {
        const std::string host = std::move(running->second);
        running_.erase(running);
        --hosts_[host].running;
        sendWaitingLater(host);
        return;
    }
    for (auto& [name, host] : hosts_) {
        const auto found = std::ranges::find(host.waiting, ticket, &std::pair<Ticket, Send>::first);
        if (found != host.waiting.end()) {
            host.waiting.erase(found);
            return;
        }
    }
}

void HostRequestQueue::setMultiplexing(const std::string& host)
{
    Host& state = hosts_[host];
    if (state.multiplexing)
        return;
    state.multiplexing = true;
    sendWaiting(host);
}

void HostRequestQueue::setLimitPerHost(int limit)
{
    limit_ = std::max(1, limit);
    for (const auto& [name, host] : hosts_)
        sendWaiting(name);
}

int HostRequestQueue::runningCount(const std::string& host) const
{
    const auto found = hosts_.find(host);
    return found == hosts_.end() ? 0 : found->second.running;
}

std::size_t HostRequestQueue::waitingCount(const std::string& host) const
{
    const auto found = hosts_.find(host);
    return found == hosts_.end() ? 0 : found->second.waiting.size();
}

int HostRequestQueue::limitOf(const Host& host) const
{
    return host.multiplexing ? std::max(limit_, kMultiplexedRequests) : limit_;
}

void HostRequestQueue::sendWaitingLater(const std::string& name)
{
    QMetaObject::invokeMethod(
        context_.get(), [this, name] { sendWaiting(name); }, Qt::QueuedConnection);
}

void HostRequestQueue::sendWaiting(const std::string& name)
{
    Host& host = hosts_[name];
    while (host.running < limitOf(host) && !host.waiting.empty()) {
        auto [ticket, send] = std::move(host.waiting.front());
        host.waiting.pop_front();
        ++host.running;
        running_.emplace(ticket, name);
        // May enqueue or finish requests; `host` stays valid (a map node).
        send();
    }
}

} // namespace platform
