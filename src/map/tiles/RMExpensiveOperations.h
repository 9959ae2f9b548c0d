#pragma once

// The process-wide switch for the tile machinery's expensive work: decoding
// tile pictures and starting downloads. True at start. The map view turns
// it off while fingers move, so touches stay smooth; work asked for
// meanwhile waits for RMResumeExpensiveOperations (tile images, the tile
// loader). RMMapContents offers the same switch under its own names.
// Main thread only.
class RMExpensiveOperations {
public:
    RMExpensiveOperations() = delete;

    static bool allowed();
    // A change posts RMResumeExpensiveOperations (now allowed) or
    // RMSuspendExpensiveOperations (now not) with notificationObject() as
    // the object; setting the current value posts nothing.
    static void setAllowed(bool allowed);
    // A stable address standing for the switch, the object of its posts.
    static const void* notificationObject();
};
