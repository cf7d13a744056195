#include "files/NameFilter.h"

NameFilter::NameFilter(const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        m_patterns.append(QRegularExpression(
            QRegularExpression::anchoredPattern(QRegularExpression::wildcardToRegularExpression(pattern)),
            QRegularExpression::CaseInsensitiveOption));
    }
}

bool NameFilter::matches(const QString &fileName) const
{
    if (m_patterns.isEmpty())
        return true;
    // A byte that is not UTF-8 comes as a lone surrogate (see
    // FileNameCodec), and the expressions refuse a name with one; it
    // stands in for a character no pattern names.
    QString name = fileName;
    for (int i = 0; i < name.size(); ++i) {
        if (!name.at(i).isSurrogate())
            continue;
        if (name.at(i).isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else
            name[i] = QChar::ReplacementCharacter;
    }
    for (const QRegularExpression &pattern : m_patterns) {
        if (pattern.match(name).hasMatch())
            return true;
    }
    return false;
}
