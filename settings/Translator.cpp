#include "settings/Translator.h"

#include <QPointer>

Translator::Translator()
    : QObject(nullptr)
{
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
    Q_EMIT languageChanged();
}
