#pragma once

#include <QObject>

class KeyValueItemList;

// The option lists the settings offer, each a new list owned by `parent`,
// its labels in the interface's language.
namespace OptionLists {

KeyValueItemList *languages(QObject *parent);
KeyValueItemList *algorithms(QObject *parent);
KeyValueItemList *audioFormats(QObject *parent);
// The bit rates the format's encoder takes; none for lossless formats.
KeyValueItemList *bitrates(QObject *parent, int audioFormat);
KeyValueItemList *sampleRates(QObject *parent);
KeyValueItemList *videoModes(QObject *parent);
KeyValueItemList *existingOutputs(QObject *parent);
// true: ask for the output folder at each import; false: use the one set, or
// the one the last import was asked for.
KeyValueItemList *outputFolderModes(QObject *parent);

} // namespace OptionLists
