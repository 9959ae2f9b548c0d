#include "RMConfiguration.h"

#include "Bundle.h"
#include "Log.h"

const RMConfiguration& RMConfiguration::configuration()
{
    static const RMConfiguration shared(platform::Bundle::pathForResource("routeme", "plist"));
    return shared;
}

RMConfiguration::RMConfiguration(const std::string& path)
{
    if (path.empty())
        return;
    base::logf("reading configuration from {}", path);
    std::string error;
    propList_ = platform::PropertyList::readFile(path, &error);
    if (!propList_)
        base::logf("problem reading from {}: {}", path, error);
}

RMConfiguration::RMConfiguration(std::optional<platform::PropertyList> propList)
    : propList_(std::move(propList))
{ }

const platform::PropertyList* RMConfiguration::cacheConfiguration() const
{
    return propList_ ? propList_->valueForKey("caches") : nullptr;
}
