#include "settings/OptionLists.h"

#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "models/KeyValueItemList.h"
#include "pipeline/ConversionSettings.h"

#include <QCoreApplication>
#include <QLocale>
#include <QVector>

namespace {

struct Choice
{
    QString label;
    QVariant value;
};

KeyValueItemList *buildList(QObject *parent, const QVector<Choice> &choices)
{
    auto *list = new KeyValueItemList(parent);
    QList<KeyValueItem *> items;
    for (const Choice &choice : choices)
        items.append(new KeyValueItem(choice.label, choice.value, list));
    list->append(items);
    return list;
}

} // namespace

KeyValueItemList *OptionLists::languages(QObject *parent)
{
    // Language names are shown in their own language, never translated.
    return buildList(parent, {{QStringLiteral("Auto"), QString()},
                              {QStringLiteral("Deutsch"), QStringLiteral("de")},
                              {QStringLiteral("English"), QStringLiteral("en")}});
}

KeyValueItemList *OptionLists::algorithms(QObject *parent)
{
    QVector<Choice> choices;
    for (const PitchAlgorithm &algorithm : PitchAlgorithm::all())
        choices.append({algorithm.displayLabel(), algorithm.id});
    return buildList(parent, choices);
}

KeyValueItemList *OptionLists::audioFormats(QObject *parent)
{
    QVector<Choice> choices;
    for (const OutputFormat &format : OutputFormat::all())
        choices.append({format.displayLabel(), format.id});
    return buildList(parent, choices);
}

KeyValueItemList *OptionLists::bitrates(QObject *parent, int audioFormat)
{
    QVector<Choice> choices;
    if (const OutputFormat *format = OutputFormat::find(audioFormat)) {
        for (int kbps : format->bitrates) {
            // An encoder driven by quality makes about the nominal rate.
            const double quality = format->qualityFor(kbps);
            const QString label =
                quality < 0.0 ? QCoreApplication::translate("OptionLists", "%1 kBit/s").arg(kbps)
                              : QCoreApplication::translate("OptionLists", "about %1 kBit/s (quality %2)")
                                    .arg(kbps)
                                    .arg(quality);
            choices.append({label, kbps});
        }
    }
    return buildList(parent, choices);
}

KeyValueItemList *OptionLists::sampleRates(QObject *parent)
{
    // Written as the interface language writes numbers: "44,1 kHz" in German.
    const auto kiloHertz = [](double khz) { return QLocale().toString(khz) + QStringLiteral(" kHz"); };
    return buildList(parent, {{kiloHertz(44.1), 44100},
                              {kiloHertz(48), 48000},
                              {QCoreApplication::translate("OptionLists", "As the source"),
                               ConversionSettings::SourceRate}});
}

KeyValueItemList *OptionLists::videoModes(QObject *parent)
{
    return buildList(parent, {{QCoreApplication::translate("OptionLists", "Keep the audio only"), false},
                              {QCoreApplication::translate("OptionLists", "Keep the picture"), true}});
}

KeyValueItemList *OptionLists::existingOutputs(QObject *parent)
{
    return buildList(parent, {{QCoreApplication::translate("OptionLists", "Keep both (number the new file)"), false},
                              {QCoreApplication::translate("OptionLists", "Skip the file"), true}});
}

KeyValueItemList *OptionLists::outputFolderModes(QObject *parent)
{
    return buildList(parent, {{QCoreApplication::translate("OptionLists", "Ask each time"), true},
                              {QCoreApplication::translate("OptionLists", "The same as last time"), false}});
}
