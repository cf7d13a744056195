#include "pipeline/TuningNote.h"

#include "dsp/PitchAlgorithm.h"
#include "media/SourceFile.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

// Said where a voice kept its formants: it sounds otherwise than one
// shifted whole. Older notes lack it.
constexpr const char *FormantsKept = ", formants kept";

QString hertz(double value)
{
    return QString::number(std::round(value * 100.0) / 100.0, 'g', 12);
}

// The note in any comment: every algorithm's words, so that no output of
// ours is taken for a source.
const QRegularExpression &notePattern()
{
    static const QRegularExpression pattern([] {
        QStringList words;
        for (const PitchAlgorithm &algorithm : PitchAlgorithm::all())
            words << QRegularExpression::escape(QLatin1String(algorithm.noteWords));
        return QStringLiteral("A4 = [0-9.]+ Hz \\(from (a measured )?[0-9.]+ Hz, (%1)(%2)?\\)")
            .arg(words.join(QLatin1Char('|')), QRegularExpression::escape(QLatin1String(FormantsKept)));
    }());
    return pattern;
}

} // namespace

QString TuningNote::of(const ConversionSettings &settings, double measuredSource)
{
    const PitchAlgorithm *algorithm = PitchAlgorithm::find(settings.algorithm);
    const QString words = algorithm ? QLatin1String(algorithm->noteWords) : QStringLiteral("unknown");
    const QString source = measuredSource > 0.0
                               ? QStringLiteral("from a measured %1 Hz").arg(hertz(measuredSource))
                               : QStringLiteral("from %1 Hz").arg(hertz(settings.sourceFrequency));
    const QString formants =
        PitchAlgorithm::keepsFormants(settings.algorithm, settings.keepFormants) ? QLatin1String(FormantsKept)
                                                                                  : QLatin1String();
    return QStringLiteral("A4 = %1 Hz (%2, %3%4)").arg(hertz(settings.targetFrequency), source, words, formants);
}

QString TuningNote::in(const SourceFile &source)
{
    const QStringList tags = source.tagValues("TUNING");
    if (!tags.isEmpty())
        return tags.first();
    for (const QString &comment : source.tagValues("comment")) {
        const QRegularExpressionMatch match = notePattern().match(comment);
        if (match.hasMatch())
            return match.captured(0);
    }
    return QString();
}
