#include "app/SettingsDialog.h"
#include "ui_SettingsDialog.h"

#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "models/KeyValueItemList.h"
#include "settings/GlobalSettings.h"
#include "settings/OptionLists.h"
#include "settings/TargetFrequencies.h"

#include <QEvent>
#include <QFileDialog>
#include <QLocale>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::SettingsDialog>())
{
    m_ui->setupUi(this);
    GlobalSettings *settings = GlobalSettings::instance();
    m_before = settings->values();
    m_ui->edtFileFilter->setText(settings->fileFilter());
    // The whole range the command line takes, so that typing a number digit
    // by digit never stops short of it; the pair is checked on OK.
    m_ui->edtSourceFrequency->setRange(ConversionSettings::LowestA4, ConversionSettings::HighestA4);
    m_ui->edtSourceFrequency->setValue(settings->sourceFrequency());
    m_ui->chkDetectSourcePitch->setChecked(settings->detectSourcePitch());
    m_ui->chkKeepFormants->setChecked(settings->keepFormants());
    m_ui->edtOutputFolder->setText(settings->outputFolder());

    // "Auto" stays the choice: the system's language now, and after a move.
    setUpChoice(m_ui->cboLanguage, OptionLists::languages(this), settings->preferedLanguage(),
                [settings](const QVariant &value) {
                    settings->selectLanguage(value.toString());
                    settings->set_preferedLanguage(value.toString());
                });
    offerChoices();
    showOutputFolder();
    // Qt 5.15 paints a plain-text label in the placeholder colour not at
    // all; as rich text (which the algorithm note is) it does.
    m_ui->lblSourceFrequencyInfo->setTextFormat(Qt::RichText);
    setMinimumWidth(width());
    fitNotes();

    connect(m_ui->btnOutputFolder, &QToolButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, m_ui->lblOutputFolder->text(),
                                                                 m_ui->edtOutputFolder->text());
        if (!folder.isEmpty())
            m_ui->edtOutputFolder->setText(folder);
    });
}

SettingsDialog::~SettingsDialog() = default;

// OK takes everything over; Cancel and Escape put back what the choices
// changed while the dialog was open, the language too.
void SettingsDialog::done(int result)
{
    GlobalSettings *settings = GlobalSettings::instance();
    if (result == QDialog::Rejected) {
        settings->setValues(m_before);
        settings->saveSettings();
        QDialog::done(result);
        return;
    }
    if (!settings->set_sourceFrequency(m_ui->edtSourceFrequency->value())
        && settings->sourceFrequency() != m_ui->edtSourceFrequency->value()) {
        const double target = settings->targetFrequency();
        const double reach = std::exp2(ConversionSettings::LargestShift / 12.0);
        const QString lowest = TargetFrequencies::text(std::max(ConversionSettings::LowestA4, target / reach));
        const QString highest = TargetFrequencies::text(std::min(ConversionSettings::HighestA4, target * reach));
        const QString text = tr("To retune to A4 = %1 Hz, the source must lie between %2 and %3 Hz: two octaves "
                                "at most.")
                                 .arg(TargetFrequencies::text(target), lowest, highest);
        m_ui->lblSourceFrequencyInfo->setText(
            QStringLiteral("<span style=\"color:#b00000\">%1</span>").arg(text.toHtmlEscaped()));
        fitNotes();
        m_ui->edtSourceFrequency->setFocus();
        return;
    }
    settings->set_fileFilter(m_ui->edtFileFilter->text());
    settings->set_detectSourcePitch(m_ui->chkDetectSourcePitch->isChecked());
    settings->set_keepFormants(m_ui->chkKeepFormants->isChecked());
    settings->set_outputFolder(m_ui->edtOutputFolder->text());
    settings->saveSettings();
    QDialog::done(result);
}

void SettingsDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        offerChoices();
        fitNotes();
        // Again once the new texts' widths have reached the layout: a wider
        // label column leaves the notes less room.
        QTimer::singleShot(0, this, &SettingsDialog::fitNotes);
        // Numbers as the new language writes them (440,00 in German).
        setLocale(QLocale());
    }
    QDialog::changeEvent(event);
}

template <typename Apply>
void SettingsDialog::setUpChoice(QComboBox *box, KeyValueItemList *list, const QVariant &current, Apply apply)
{
    box->disconnect(this);
    // The combo box deletes its own first model itself.
    const QPointer<QAbstractItemModel> old = box->model();
    box->setModel(list);
    if (old && old->parent() == this)
        old->deleteLater();
    box->setCurrentIndex(list->getIndexOfValue(current));
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [list, apply](int index) {
        if (const KeyValueItem *item = list->at(index))
            apply(item->value());
    });
}

void SettingsDialog::offerChoices()
{
    GlobalSettings *settings = GlobalSettings::instance();
    setUpChoice(m_ui->cboAlgorithm, OptionLists::algorithms(this), settings->algorithm(),
                [this, settings](const QVariant &value) {
                    settings->set_algorithm(value.toInt());
                    offerFormants();
                });
    offerFormants();
    setUpChoice(m_ui->cboAudioFormat, OptionLists::audioFormats(this), settings->audioFormat(),
                [this, settings](const QVariant &value) {
                    settings->set_audioFormat(value.toInt());
                    offerBitrates();
                });
    offerBitrates();
    setUpChoice(m_ui->cboSampleRate, OptionLists::sampleRates(this), settings->outputSampleRate(),
                [settings](const QVariant &value) { settings->set_outputSampleRate(value.toInt()); });
    setUpChoice(m_ui->cboVideos, OptionLists::videoModes(this), settings->keepVideo(),
                [settings](const QVariant &value) { settings->set_keepVideo(value.toBool()); });
    setUpChoice(m_ui->cboExisting, OptionLists::existingOutputs(this), settings->skipExistingOutputs(),
                [settings](const QVariant &value) { settings->set_skipExistingOutputs(value.toBool()); });
    setUpChoice(m_ui->cboOutputFolder, OptionLists::outputFolderModes(this), settings->askForOutputFolder(),
                [this, settings](const QVariant &value) {
                    settings->set_askForOutputFolder(value.toBool());
                    showOutputFolder();
                });
}

// Only the rates the chosen format's encoder takes; none for lossless
// formats. A rate the new format cannot take becomes the nearest it can.
void SettingsDialog::offerBitrates()
{
    GlobalSettings *settings = GlobalSettings::instance();
    KeyValueItemList *list = OptionLists::bitrates(this, settings->audioFormat());
    const OutputFormat *format = OutputFormat::find(settings->audioFormat());
    const bool lossy = format && format->lossy() && list->count() > 0;
    m_ui->cboAudioBitRate->setEnabled(lossy);
    if (lossy) {
        const int kbps = format->clampBitrate(settings->audioBitrate());
        if (list->getIndexOfValue(kbps) >= 0)
            settings->set_audioBitrate(kbps);
    }
    setUpChoice(m_ui->cboAudioBitRate, list, settings->audioBitrate(), [settings](const QVariant &value) {
        settings->set_audioBitrate(value.toInt());
    });
}

// Only an algorithm that can keep formants offers it; the choice stays as
// it was for when one is chosen again.
void SettingsDialog::offerFormants()
{
    const PitchAlgorithm *algorithm = PitchAlgorithm::find(GlobalSettings::instance()->algorithm());
    m_ui->chkKeepFormants->setEnabled(algorithm && algorithm->canKeepFormants);
}

// The notes that wrap get the lines they take at the narrowest width the
// dialog allows, in the language of the moment: a grid does not ask for
// them by itself, and squeezes them.
void SettingsDialog::fitNotes()
{
    setMinimumHeight(heightForWidth(minimumWidth()));
}

void SettingsDialog::showOutputFolder()
{
    const bool always = !GlobalSettings::instance()->askForOutputFolder();
    m_ui->edtOutputFolder->setEnabled(always);
    m_ui->btnOutputFolder->setEnabled(always);
}
