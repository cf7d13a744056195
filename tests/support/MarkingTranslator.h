#pragma once

#include <QSet>
#include <QTranslator>

// A stand-in catalogue: "translates" every text of the given contexts by
// putting "[de] " before it, so that a test sees which texts follow a
// switch of language without depending on the real catalogue's progress.
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(QSet<QByteArray> contexts)
        : m_contexts(std::move(contexts))
    {
    }
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        return m_contexts.contains(context) ? QStringLiteral("[de] ") + QString::fromUtf8(source) : QString();
    }

private:
    QSet<QByteArray> m_contexts;
};
