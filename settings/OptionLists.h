#pragma once

#include <QObject>

class KeyValueItemList;

// The option lists the settings offer, each a new list owned by `parent`.
namespace OptionLists {

KeyValueItemList *languages(QObject *parent);
KeyValueItemList *algorithms(QObject *parent);
KeyValueItemList *audioFormats(QObject *parent);
KeyValueItemList *bitrates(QObject *parent);

} // namespace OptionLists
