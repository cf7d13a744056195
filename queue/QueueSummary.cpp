#include "queue/QueueSummary.h"

#include "queue/ConversionQueue.h"
#include "queue/QueueEntryList.h"
#include "settings/Translator.h"

#include <cmath>

QueueSummary::QueueSummary(ConversionQueue &queue, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
{
    connect(&queue, &ConversionQueue::changed, this, &QueueSummary::update);
    connect(Translator::instance(), &Translator::languageChanged, this, &QueueSummary::update);
}

void QueueSummary::update()
{
    int counts[5] = {};  // by QueueEntry::State
    int total = 0;
    for (const QueueEntry *entry : m_queue.rows()->items()) {
        if (entry->deleteWhenFinished())
            continue;
        ++total;
        ++counts[entry->state()];
    }
    QString text;
    if (total > 0) {
        QStringList parts{tr("%1 of %2 converted").arg(counts[QueueEntry::S_Finished]).arg(total)};
        if (const int failed = counts[QueueEntry::S_Failed])
            parts << tr("%1 failed").arg(failed);
        if (const int skipped = counts[QueueEntry::S_Skipped])
            parts << tr("%1 skipped").arg(skipped);
        if (m_queue.paused() && counts[QueueEntry::S_Pending] > 0) {
            parts << tr("paused");
        } else if (counts[QueueEntry::S_Pending] + counts[QueueEntry::S_Processing] > 0) {
            const double left = m_queue.runner().secondsLeft();
            if (left >= 0.0)
                parts << timeLeftText(left);
        }
        text = parts.join(QStringLiteral(" · "));
    }
    if (text != m_text) {
        m_text = text;
        Q_EMIT textChanged(m_text);
    }
}

QString QueueSummary::timeLeftText(double seconds) const
{
    if (seconds < 60.0)
        return tr("less than a minute left");
    const long minutes = std::lround(seconds / 60.0);
    if (minutes < 60)
        return tr("about %1 min left").arg(minutes);
    return tr("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}
