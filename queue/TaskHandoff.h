#pragma once

#include <mutex>

// The order between the GUI thread and a pool task, made explicit.
//
// Qt hands a task to a pool thread, and its completion back, through locks
// of its own; passing through this lock as well at those points makes the
// same order visible to ThreadSanitizer (whose view of an uninstrumented Qt
// is otherwise blind to it). It is held only for an instant.
class TaskHandoff
{
public:
    // Held by the GUI thread while it starts a task.
    using Guard = std::lock_guard<std::mutex>;
    static std::mutex &lock();

    // A task calls this first and last; the GUI thread calls it before it
    // reads what a finished task left.
    static void sync();
};
