#include "KeyValueItemList.h"

#include "AppConstants.h"
#include "Translator.h"

#include <QVector>

KeyValueItemList::KeyValueItemList(QObject *parent)
    : QQmlObjectListModel<KeyValueItem>(parent, QByteArray(), QByteArray())
{
}

QVariant KeyValueItemList::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole) {
        if (const KeyValueItem *item = at(index.row()))
            return item->label();
    }
    return QQmlObjectListModel<KeyValueItem>::data(index, role);
}

int KeyValueItemList::getIndexOfValue(const QVariant &value) const
{
    for (int row = 0; row < items().count(); ++row) {
        const KeyValueItem *item = items().at(row);
        if (item && item->value() == value)
            return row;
    }
    return -1;
}

KeyValueItem *KeyValueItemList::getItemForValue(const QVariant &value) const
{
    return at(getIndexOfValue(value));
}

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

KeyValueItemList *createLanguageList(QObject *parent)
{
    // Language names are shown in their own language, never translated.
    return buildList(parent, {{QStringLiteral("Auto"), QString()},
                              {QStringLiteral("Deutsch"), QStringLiteral("de")},
                              {QStringLiteral("English"), QStringLiteral("en")}});
}

KeyValueItemList *createAlgorithmList(QObject *parent)
{
    const Translator *texts = Translator::instance();
    return buildList(parent, {{texts->strAlgoTimeBased(), int(AppConstants::A_Time)},
                              {texts->strAlgoFrequencyBased(), int(AppConstants::A_Frequency)}});
}

KeyValueItemList *createAudioFormatList(QObject *parent)
{
    return buildList(parent, {{QStringLiteral("mp3"), int(AppConstants::F_Mp3)},
                              {QStringLiteral("m4a (AAC)"), int(AppConstants::F_M4a)},
                              {QStringLiteral("wav"), int(AppConstants::F_Wav)},
                              {QStringLiteral("flac"), int(AppConstants::F_Flac)}});
}

KeyValueItemList *createBitrateList(QObject *parent)
{
    QVector<Choice> choices;
    for (int kbps : {512, 320, 256, 192, 160, 128, 96})
        choices.append({QStringLiteral("%1 kBit/s").arg(kbps), kbps});
    return buildList(parent, choices);
}
