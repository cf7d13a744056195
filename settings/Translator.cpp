#include "settings/Translator.h"

#include "engine/ProgramInfo.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

struct Text
{
    const char *source;
    bool (Translator::*update)(const QString &);
};

// In the order of the properties.
const Text Texts[] = {
    {QT_TRANSLATE_NOOP("Translator", "Select songs"), &Translator::update_strSelectSongs},
    {QT_TRANSLATE_NOOP("Translator", "Start conversion"), &Translator::update_strStartConversion},
    {QT_TRANSLATE_NOOP("Translator", "Cancel conversion"), &Translator::update_strCancelConversion},
    {QT_TRANSLATE_NOOP("Translator", "Select files"), &Translator::update_strSelectFiles},
    {QT_TRANSLATE_NOOP("Translator", "Select folder"), &Translator::update_strSelectFolder},
    {QT_TRANSLATE_NOOP("Translator", "Time based"), &Translator::update_strAlgoTimeBased},
    {QT_TRANSLATE_NOOP("Translator", "Frequency based"), &Translator::update_strAlgoFrequencyBased},
    {QT_TRANSLATE_NOOP("Translator", "Pending"), &Translator::update_strPending},
    {QT_TRANSLATE_NOOP("Translator", "Processing"), &Translator::update_strProcessing},
    {QT_TRANSLATE_NOOP("Translator", "Finished"), &Translator::update_strFinished},
    {QT_TRANSLATE_NOOP("Translator", "Failed"), &Translator::update_strFailed},
    {QT_TRANSLATE_NOOP("Translator", "Skipped"), &Translator::update_strSkipped},
    {QT_TRANSLATE_NOOP("Translator", "Where should the retuned files go?"), &Translator::update_strSelectTargetFolder},
    {QT_TRANSLATE_NOOP("Translator", "Loading files"), &Translator::update_strLoadingFiles},
    {QT_TRANSLATE_NOOP("Translator", "Remove finished"), &Translator::update_strRemoveFinished},
    {QT_TRANSLATE_NOOP("Translator", "Target frequency"), &Translator::update_strTargetFrequency},
};

} // namespace

Translator::Translator()
    : QObject(nullptr)
{
    retranslate();
}

Translator *Translator::instance()
{
    static QPointer<Translator> s_instance;
    if (!s_instance)
        s_instance = new Translator;
    return s_instance;
}

void Translator::retranslate()
{
    for (const Text &text : Texts)
        (this->*text.update)(QCoreApplication::translate("Translator", text.source));
    update_strWebButtonTip(*ProgramInfo::Website
                               ? QCoreApplication::translate("Translator", "Open the web page of %1")
                                     .arg(QString::fromUtf8(ProgramInfo::Name))
                               : QCoreApplication::translate("Translator", "About %1: version, licence and libraries")
                                     .arg(QString::fromUtf8(ProgramInfo::Name)));
    Q_EMIT languageChanged();
}
