#include "queue/QueueEntry.h"

#include "media/OutputFormat.h"
#include "settings/TargetFrequencies.h"
#include "settings/Translator.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

QueueEntry::QueueEntry(const QString &filePath, const QString &targetDirectory, const ConversionSettings &settings,
                       QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_filePath = filePath;
    m_targetDirectory = targetDirectory;
    qRegisterMetaType<QueueEntry::State>("State");
    update_readableName(QFileInfo(filePath).fileName());
    update_displayName(readableName());
    connect(this, &QueueEntry::stateChanged, this, &QueueEntry::updateTexts);
    connect(this, &QueueEntry::progressChanged, this, &QueueEntry::updateTexts);
    connect(Translator::instance(), &Translator::languageChanged, this, &QueueEntry::updateTexts);
    updateTexts();
}

QString QueueEntry::getStringForState(State state) const
{
    switch (state) {
    case S_Pending:
        return tr("Pending");
    case S_Processing:
        return tr("Processing");
    case S_Finished:
        return tr("Finished");
    case S_Failed:
        return tr("Failed");
    case S_Skipped:
        return tr("Skipped");
    }
    return QString();
}

// The format's word, not its extension: AAC and Apple Lossless share m4a.
QString QueueEntry::pitchAndFormat() const
{
    const OutputFormat *format = OutputFormat::find(m_settings.audioFormat);
    const QString target = tr("→ %1 Hz · %2")
                               .arg(TargetFrequencies::text(m_settings.targetFrequency),
                                    format ? QString::fromLatin1(format->name) : QStringLiteral("?"));
    if (m_measuredA4 <= 0.0)
        return target;
    return tr("%1 · %2").arg(tr("measured A4 = %1 Hz").arg(QLocale().toString(m_measuredA4, 'f', 1)), target);
}

QStringList QueueEntry::warningTexts() const
{
    QStringList warnings;
    for (const TranslatableText &warning : m_warnings)
        warnings << warning.toString();
    return warnings;
}

void QueueEntry::updateTexts()
{
    // The short form for the row, the long one for the tooltip; both start
    // with the pitch and format the row was queued with.
    const QString pitch = pitchAndFormat();
    const QString output = QFileInfo(outputPath()).fileName();
    const auto with = [&pitch](const QString &detail) { return tr("%1 · %2").arg(pitch, detail); };
    QString detail;
    QString fullDetail;
    switch (state()) {
    case S_Pending:
        detail = pitch;
        fullDetail = tr("%1 into %2").arg(detail, targetDirectory());
        break;
    case S_Processing:
        detail = tr("%1 % · %2").arg(QLocale().toString(int(std::floor(progress() * 100.0))), pitch);
        fullDetail = tr("%1 into %2").arg(detail, targetDirectory());
        break;
    case S_Finished:
        detail = with(output);
        fullDetail = with(outputPath());
        break;
    case S_Failed:
        detail = fullDetail = with(m_reason.toString());
        break;
    case S_Skipped:
        detail = with(tr("%1 exists").arg(output));
        fullDetail = with(tr("%1 exists").arg(outputPath()));
        break;
    }
    const QString stateText = getStringForState(state());
    update_stateString(stateText);
    update_statusText(tr("%1 · %2").arg(stateText, detail));
    const QStringList warnings = warningTexts();
    update_warningText(warnings.join(QLatin1Char(' ')));

    QStringList tip{filePath(), tr("%1 · %2").arg(stateText, fullDetail)};
    tip += warnings;
    update_toolTip(tip.join(QLatin1Char('\n')));
}

void QueueEntry::applyResult(const ConversionResult &result)
{
    m_reason = result.message;
    m_warnings = result.warnings;
    m_audioSeconds = result.audioSeconds;
    m_measuredA4 = result.measuredA4;
    update_outputPath(result.outputPath);
    switch (result.status) {
    case ConversionResult::Converted:
        update_progress(1.0);
        update_state(S_Finished);
        break;
    case ConversionResult::Skipped:
        update_state(S_Skipped);
        break;
    case ConversionResult::Stopped:
        if (m_reason.isEmpty())
            m_reason = TranslatableText("QueueEntry", QT_TRANSLATE_NOOP("QueueEntry", "Stopped."));
        update_state(S_Failed);
        break;
    case ConversionResult::Failed:
        update_state(S_Failed);
        break;
    }
    // The state may have been that already.
    updateTexts();
}

bool QueueEntry::retry()
{
    if (state() != S_Failed)
        return false;
    m_reason = TranslatableText();
    m_warnings.clear();
    m_audioSeconds = 0.0;
    m_measuredA4 = 0.0;
    update_outputPath(QString());
    update_progress(0.0);
    m_retried = true;
    update_state(S_Pending);
    return true;
}
