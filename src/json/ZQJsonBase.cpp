#include "ZQJsonBase.h"

#include <algorithm>

namespace json {

void ZQJsonBase::addErrorWithCodeDescription(unsigned code, std::string description)
{
    willChange();
    if (!errorTrace_)
        errorTrace_.emplace();
    std::shared_ptr<const ZQJsonError> underlying = errorTrace_->empty() ? nullptr : errorTrace_->back();
    errorTrace_->push_back(
        std::make_shared<const ZQJsonError>(code, std::move(description), std::move(underlying)));
    didChange();
}

ZQJsonBase::~ZQJsonBase()
{
    releaseTrace();
}

void ZQJsonBase::releaseTrace()
{
    // Outermost first, so that no error is freed through a long chain of underlying errors.
    if (errorTrace_) {
        while (!errorTrace_->empty())
            errorTrace_->pop_back();
    }
    errorTrace_.reset();
}

void ZQJsonBase::clearErrorTrace()
{
    willChange();
    releaseTrace();
    didChange();
}

void ZQJsonBase::replaceErrorTrace(ZQJsonErrorTrace trace)
{
    willChange();
    releaseTrace();
    errorTrace_ = std::move(trace);
    didChange();
}

void ZQJsonBase::addObserver(ZQJsonObserver* observer)
{
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void ZQJsonBase::removeObserver(ZQJsonObserver* observer)
{
    std::erase(observers_, observer);
}

void ZQJsonBase::willChange()
{
    if (observers_.empty())
        return;
    const std::vector<ZQJsonObserver*> observers = observers_;
    for (ZQJsonObserver* observer : observers)
        observer->willChangeValueForKey(*this, kErrorTraceKey);
}

void ZQJsonBase::didChange()
{
    if (observers_.empty())
        return;
    const std::vector<ZQJsonObserver*> observers = observers_;
    for (ZQJsonObserver* observer : observers)
        observer->didChangeValueForKey(*this, kErrorTraceKey);
}

} // namespace json
