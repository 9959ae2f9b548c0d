#pragma once

#include <string_view>

// The map engine's notifications, posted on the default notification centre
// (platform::NotificationCenter::defaultCenter()) and delivered at once on
// the main thread.
//
// Tile image notifications carry the image as their object, always as the
// address of its RMTileImage part (RMTileImage::notificationObject()), so an
// observer may read the image's tile through RMTileImage::fromNotificationObject.

// A tile image applied its encoded bytes. Object: the image. User info:
// RMMapImageDataKey, the bytes as platform::Data. The image's isLoaded() then
// tells whether the bytes were a picture.
inline constexpr std::string_view RMMapImageLoadedNotification = "MapImageLoaded";
// A tile image stopped loading. Object: the image; no user info.
inline constexpr std::string_view RMMapImageLoadingCancelledNotification = "MapImageLoadingCancelled";
// A web tile image created its connection. Object: none.
inline constexpr std::string_view RMTileRequested = "RMTileRequested";
// A web tile image's download finished, failed or was cancelled. Object: none.
inline constexpr std::string_view RMTileRetrieved = "RMTileRetrieved";
// Expensive operations (picture decoding, starting downloads) were switched
// back on / off. Object: RMExpensiveOperations::notificationObject().
inline constexpr std::string_view RMResumeExpensiveOperations = "RMResumeExpensiveOperations";
inline constexpr std::string_view RMSuspendExpensiveOperations = "RMSuspendExpensiveOperations";
// The tile image set placed an image on screen / is about to take it off.
// Object: the image.
inline constexpr std::string_view RMMapImageAddedToScreenNotification = "RMMapImageAddedToScreen";
inline constexpr std::string_view RMMapImageRemovedFromScreenNotification = "RMMapImageRemovedFromScreen";

// A tile image's server was asked whether the image's expired bytes are
// still good, and said so (the image has new freshness) or sent new bytes
// (the image shows them; user info: RMMapImageDataKey, the bytes). Object:
// the image.
inline constexpr std::string_view RMMapImageRevalidatedNotification = "RMMapImageRevalidated";

// The user-info key of RMMapImageLoadedNotification and
// RMMapImageRevalidatedNotification.
inline constexpr std::string_view RMMapImageDataKey = "data";
