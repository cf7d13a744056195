#pragma once

#include <QObject>
#include <QString>

class ConversionQueue;

// The line below the queue: "12 of 50 converted · 1 failed · about 4 min
// left", empty while the queue is; it follows the rows, the pace and the
// interface language.
class QueueSummary : public QObject
{
    Q_OBJECT

public:
    explicit QueueSummary(ConversionQueue &queue, QObject *parent = nullptr);

    QString text() const { return m_text; }

Q_SIGNALS:
    void textChanged(const QString &text);

private:
    void update();
    QString timeLeftText(double seconds) const;

    ConversionQueue &m_queue;
    QString m_text;
};
