#pragma once

#include "PropertyList.h"

#include <optional>
#include <string>

// The tile caches' configuration: the property list resource "routeme" of
// type "plist" (XML or binary). Its root dictionary may hold "caches", an
// array with one dictionary per cache in chain order (see RMTileCache).
class RMConfiguration {
public:
    // The shared configuration, read from the bundle on first use and kept
    // for the life of the process.
    static const RMConfiguration& configuration();

    // Reads the file: logs "reading configuration from <path>", and
    // "problem reading from <path>: <reason>" when it cannot be parsed. An
    // empty path (no resource) reads nothing and logs nothing.
    explicit RMConfiguration(const std::string& path);
    // A configuration already parsed (or none).
    explicit RMConfiguration(std::optional<platform::PropertyList> propList);

    // The parsed property list, or null.
    const platform::PropertyList* propList() const { return propList_ ? &*propList_ : nullptr; }
    // The value of "caches", or null when the list or the key is missing.
    const platform::PropertyList* cacheConfiguration() const;

private:
    std::optional<platform::PropertyList> propList_;
};
