#pragma once

#include <memory>
#include <string>

class RMMapContents;

// The view that owns map contents: RMMapView. The contents' factories hand
// the contents they make to it, and name it in their log lines; the
// contents know nothing else of it beyond its being a platform view. Main
// thread only.
class RMMapContentsOwner {
public:
    // The view becomes an owner of `contents` and lets its old ones go.
    virtual void setContents(std::shared_ptr<RMMapContents> contents) = 0;
    // The view as log lines name it ("MapView at …").
    virtual std::string description() const = 0;

protected:
    ~RMMapContentsOwner() = default;
};
