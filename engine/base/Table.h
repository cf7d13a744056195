#pragma once

#include <QString>
#include <QVector>

// Look-ups in the program's tables (formats, algorithms), whose entries
// have a stored `id` and a command-line `name`.
namespace Table {

template <typename Entry>
const Entry *withId(const QVector<Entry> &table, int id)
{
    for (const Entry &entry : table) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

template <typename Entry>
const Entry *named(const QVector<Entry> &table, const QString &name)
{
    for (const Entry &entry : table) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

} // namespace Table
