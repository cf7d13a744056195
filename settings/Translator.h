#pragma once

#include "models/PropertyMacros.h"

#include <QObject>
#include <QString>

// The texts the QML scene and the queue share, as properties that follow
// the installed catalogue: retranslate() after installing one, and every
// binding picks up the new texts; languageChanged() then tells those that
// compose texts of their own.
class Translator : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QString, strSelectSongs)
    TW_READONLY_PROPERTY(QString, strStartConversion)
    TW_READONLY_PROPERTY(QString, strCancelConversion)
    TW_READONLY_PROPERTY(QString, strSelectFiles)
    TW_READONLY_PROPERTY(QString, strSelectFolder)
    TW_READONLY_PROPERTY(QString, strAlgoTimeBased)
    TW_READONLY_PROPERTY(QString, strAlgoFrequencyBased)
    TW_READONLY_PROPERTY(QString, strPending)
    TW_READONLY_PROPERTY(QString, strProcessing)
    TW_READONLY_PROPERTY(QString, strFinished)
    TW_READONLY_PROPERTY(QString, strFailed)
    TW_READONLY_PROPERTY(QString, strSkipped)
    TW_READONLY_PROPERTY(QString, strSelectTargetFolder)
    TW_READONLY_PROPERTY(QString, strLoadingFiles)
    TW_READONLY_PROPERTY(QString, strRemoveFinished)
    TW_READONLY_PROPERTY(QString, strTargetFrequency)
    // What the globe button does: it opens the product web page when the
    // build names one, else the About dialog.
    TW_READONLY_PROPERTY(QString, strWebButtonTip)

public:
    // The single instance, created without parent on first use. Whoever
    // owns it (the QML engine at shutdown) may delete it; the next call then
    // builds a fresh one.
    static Translator *instance();

public Q_SLOTS:
    // Refreshes every text from the installed catalogues.
    void retranslate();

Q_SIGNALS:
    void languageChanged();

private:
    Translator();
};
