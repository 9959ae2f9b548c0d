#include "RMMapContents.h"

#include "NotificationCenter.h"
#include "RMNotifications.h"

namespace {
bool expensiveOperationsAllowed = true;
const char classIdentityTag = 0;
} // namespace

bool RMMapContents::performExpensiveOperations()
{
    return expensiveOperationsAllowed;
}

void RMMapContents::setPerformExpensiveOperations(bool perform)
{
    if (perform == expensiveOperationsAllowed)
        return;
    expensiveOperationsAllowed = perform;
    platform::NotificationCenter::defaultCenter().postNotification(
        perform ? RMResumeExpensiveOperations : RMSuspendExpensiveOperations, classIdentity());
}

const void* RMMapContents::classIdentity()
{
    return &classIdentityTag;
}
