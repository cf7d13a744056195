#pragma once

#include <QObject>

// Tells those that compose texts of their own (the queue's rows, its
// summary line) that the interface language changed. The texts themselves
// are translated where they are shown: tr() and qsTr(), and TranslatableText
// for messages kept for later.
class Translator : public QObject
{
    Q_OBJECT

public:
    // The single instance, created without parent on first use. Whoever
    // owns it (the QML engine at shutdown) may delete it; the next call then
    // builds a fresh one.
    static Translator *instance();

public Q_SLOTS:
    // To be called once the catalogues of a language are installed.
    void retranslate();

Q_SIGNALS:
    void languageChanged();

private:
    Translator();
};
