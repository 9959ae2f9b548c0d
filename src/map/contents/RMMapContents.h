#pragma once

// The central object behind one map view. For now this holds only the
// class-wide switch for expensive operations; the rest of the class comes
// with the map contents themselves.
class RMMapContents {
public:
    // Whether picture decoding and starting downloads are allowed; true at
    // start. The map view switches it off while a touch sequence runs.
    static bool performExpensiveOperations();
    // Stores the switch. A change posts RMResumeExpensiveOperations (now on)
    // or RMSuspendExpensiveOperations (now off) on the default centre, with
    // classIdentity() as the object; setting the current value posts nothing.
    static void setPerformExpensiveOperations(bool perform);

    // A stable address standing for the class itself, the object of the
    // class-wide notifications.
    static const void* classIdentity();
};
