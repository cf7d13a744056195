#include "pipeline/LinkedLibraries.h"

#include "dsp/DspLibraries.h"
#include "media/MediaLibraries.h"

QList<LibraryInfo> LinkedLibraries::all()
{
    QList<LibraryInfo> libraries{{QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
                                  QStringLiteral("LGPL-3.0-only"), tr("window, files, settings")}};
    return libraries + MediaLibraries::all() + DspLibraries::all();
}
