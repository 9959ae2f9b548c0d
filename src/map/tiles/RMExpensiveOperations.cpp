#include "RMExpensiveOperations.h"

#include "NotificationCenter.h"
#include "RMNotifications.h"

namespace {

bool expensiveOperationsAllowed = true;
const char notificationTag = 0;

} // namespace

bool RMExpensiveOperations::allowed()
{
    return expensiveOperationsAllowed;
}

void RMExpensiveOperations::setAllowed(bool allowed)
{
    if (allowed == expensiveOperationsAllowed)
        return;
    expensiveOperationsAllowed = allowed;
    platform::NotificationCenter::defaultCenter().postNotification(
        allowed ? RMResumeExpensiveOperations : RMSuspendExpensiveOperations, notificationObject());
}

const void* RMExpensiveOperations::notificationObject()
{
    return &notificationTag;
}
