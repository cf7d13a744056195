#include "TaskHandoff.h"

std::mutex &TaskHandoff::lock()
{
    static std::mutex s_lock;
    return s_lock;
}

void TaskHandoff::sync()
{
    Guard guard(lock());
}
