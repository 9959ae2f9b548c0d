#include "ReplayPositionSource.h"

#include <QFile>
#include <QFileInfo>

#include <fmt/format.h>

namespace platform {

ReplayPositionSource::ReplayPositionSource(std::string kind, std::string path, double speed, Reader reader)
    : kind_(std::move(kind))
    , path_(std::move(path))
    , speed_(speed)
    , reader_(std::move(reader))
{ }

void ReplayPositionSource::start()
{
    if (started_)
        return;
    started_ = true;
    load();
    if (failure_.empty()) {
        scheduleNextFix();
        return;
    }
    timer_
        = Timer::scheduledTimer(0, false, [this] { fail(fmt::format("{}: {}", description(), failure_)); });
}

void ReplayPositionSource::stop()
{
    started_ = false;
    timer_.invalidate();
}

bool ReplayPositionSource::isAvailable() const
{
    return failure_.empty();
}

std::string ReplayPositionSource::description() const
{
    return fmt::format("{} {}", kind_, path_);
}

void ReplayPositionSource::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    QFile file(QString::fromStdString(path_));
    if (QFileInfo(file).isDir()) {
        failure_ = "cannot read the file: it is a folder";
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        failure_ = fmt::format("cannot read the file: {}", file.errorString().toStdString());
        return;
    }
    const QByteArray bytes = file.read(qint64(kMaximumFileSize) + 1);
    if (file.error() != QFileDevice::NoError) {
        failure_ = fmt::format("cannot read the file: {}", file.errorString().toStdString());
        return;
    }
    if (std::size_t(bytes.size()) > kMaximumFileSize) {
        failure_ = fmt::format("the file is larger than {} MiB", kMaximumFileSize / (1024 * 1024));
        return;
    }
    std::string reason;
    std::optional<std::vector<ReplayFix>> fixes
        = reader_(std::string_view(bytes.constData(), bytes.size()), &reason);
    if (!fixes || fixes->empty()) {
        failure_ = reason.empty() ? std::string("the file holds no fixes") : reason;
        return;
    }
    fixes_ = std::move(*fixes);
}

void ReplayPositionSource::scheduleNextFix()
{
    if (next_ >= fixes_.size())
        return;
    timer_ = Timer::scheduledTimer(fixes_[next_].delay / speed_, false, [this] { deliverNextFix(); });
}

void ReplayPositionSource::deliverNextFix()
{
    const ReplayFix& fix = fixes_[next_++];
    const Location location { fix.coordinate, fix.horizontalAccuracy, Clock::current().now() };
    scheduleNextFix();
    deliver(location);
}

} // namespace platform
