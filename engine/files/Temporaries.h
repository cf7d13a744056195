#pragma once

#include <QByteArray>

#include <sys/stat.h>

// The hidden temporaries outputs are written under, ".Song.mp3.part-Xy12Ab",
// and the sweep of those that killed processes left behind.
//
// A temporary is known by three things, all of which the sweep asks for
// before it removes a file: its name (the exact pattern), a mark of ours on
// the file (an extended attribute; a user's ".notes.part-review" has none),
// and that nobody writes it: no process holds its lock, this process is
// not writing it, and it was last written before any output this process
// writes was begun (where locks are emulated, or missing, a writer's lock
// does not show, but its writes do).
namespace Temporaries {

// The temporary's name for an output name (cut where it would not fit in
// nameMax bytes), with a new random part.
QByteArray name(const QByteArray &outputName, int nameMax);
bool isTemporaryName(const char *name);
// Marks the file as a temporary of ours; false where the file system keeps
// no extended attributes (the sweep then leaves it alone).
bool mark(int fd);

// A temporary this process writes, by its folder and name: claimed (false
// when another of ours has it) until released.
QByteArray key(const struct stat &folder, const QByteArray &name);
bool claim(const QByteArray &key);
void release(const QByteArray &key);

// Removes the temporaries in a folder that nobody writes.
void sweep(const QByteArray &folder);

} // namespace Temporaries
