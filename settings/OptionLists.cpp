#include "settings/OptionLists.h"

#include "engine/ConversionSettings.h"
#include "engine/OutputFormat.h"
#include "models/KeyValueItemList.h"
#include "settings/Translator.h"

#include <QCoreApplication>
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
    const Translator *texts = Translator::instance();
    return buildList(parent, {{texts->strAlgoTimeBased(), int(AppConstants::A_Time)},
                              {texts->strAlgoFrequencyBased(), int(AppConstants::A_Frequency)}});
}

KeyValueItemList *OptionLists::audioFormats(QObject *parent)
{
    return buildList(parent, {{QStringLiteral("mp3"), int(AppConstants::F_Mp3)},
                              {QStringLiteral("m4a (AAC)"), int(AppConstants::F_M4a)},
                              {QStringLiteral("wav"), int(AppConstants::F_Wav)},
                              {QStringLiteral("flac"), int(AppConstants::F_Flac)}});
}

KeyValueItemList *OptionLists::bitrates(QObject *parent, AppConstants::AudioFormat format)
{
    QVector<Choice> choices;
    const OutputFormat *output = OutputFormat::find(format);
    for (int kbps : {512, 320, 256, 192, 160, 128, 96}) {
        if (output && output->lossy() && output->clampBitrate(kbps) == kbps)
            choices.append({QStringLiteral("%1 kBit/s").arg(kbps), kbps});
    }
    return buildList(parent, choices);
}

KeyValueItemList *OptionLists::sampleRates(QObject *parent)
{
    return buildList(parent, {{QStringLiteral("44.1 kHz"), 44100},
                              {QStringLiteral("48 kHz"), 48000},
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
                              {QCoreApplication::translate("OptionLists", "Always use"), false}});
}
