#include "settings/TargetFrequencies.h"

#include <QLocale>
#include <QString>

#include <cmath>

const QVector<TargetFrequencies::Choice> &TargetFrequencies::choices()
{
    static const QVector<Choice> list = {
        {"174 Hz (F3)", 438.48}, {"285 Hz (C#4)", 452.37}, {"396 Hz (G4)", 444.34}, {"417 Hz (G#4)", 441.78},
        {"432 Hz (A4)", 432},    {"440 Hz (A4)", 440},     {"528 Hz (C5)", 444},    {"639 Hz (D#5)", 451.84},
        {"741 Hz (F#5)", 440.6}, {"852 Hz (G#5)", 451.33}, {"963 Hz (B5)", 428.96},
    };
    return list;
}

const QVector<double> &TargetFrequencies::concertPitches()
{
    static const QVector<double> list = {415.0, 440.0, 442.0, 444.0};
    return list;
}

double TargetFrequencies::valueFor(double hz)
{
    for (const Choice &choice : choices()) {
        if (QString::fromLatin1(choice.label).section(QLatin1Char(' '), 0, 0).toDouble() == hz)
            return choice.value.toDouble();
    }
    return hz;
}

QString TargetFrequencies::text(double hz)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(std::round(hz * 100.0) / 100.0, 'g', 7);
}

std::optional<double> TargetFrequencies::parse(const QString &text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    bool ok = false;
    double hz = locale.toDouble(text.trimmed(), &ok);
    if (!ok)
        hz = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(hz))
        return std::nullopt;
    return hz;
}
