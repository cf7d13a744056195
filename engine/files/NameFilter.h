#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <QVector>

// The file name patterns of the file filter ("*.mp3", "*.flac", ...),
// matched case-insensitively. Names whose bytes are not all UTF-8 match
// too, by the characters they have.
class NameFilter
{
public:
    explicit NameFilter(const QStringList &patterns);

    // No patterns match every name.
    bool matches(const QString &fileName) const;

private:
    QVector<QRegularExpression> m_patterns;
};
