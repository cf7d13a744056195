#include "app/SettingsDialog.h"
#include "ui_SettingsDialog.h"

#include "settings/GlobalSettings.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::SettingsDialog>())
{
    m_ui->setupUi(this);
    GlobalSettings *settings = GlobalSettings::instance();
    m_ui->edtFileFilter->setText(settings->fileFilter());
    m_ui->edtSourceFrequency->setValue(settings->sourceFrequency());

    setUpChoice(m_ui->cboLanguage, settings->getSupportedLanguages(this), settings->preferedLanguage(),
                [settings](const QVariant &value) { settings->set_preferedLanguage(value.toString()); });
    setUpChoice(m_ui->cboAlgorithm, OptionLists::algorithms(this), int(settings->algorithm()),
                [settings](const QVariant &value) {
                    settings->set_algorithm(AppConstants::Algorithm(value.toInt()));
                });
    setUpChoice(m_ui->cboAudioFormat, OptionLists::audioFormats(this), int(settings->audioFormat()),
                [settings](const QVariant &value) {
                    settings->set_audioFormat(AppConstants::AudioFormat(value.toInt()));
                });
    setUpChoice(m_ui->cboAudioBitRate, OptionLists::bitrates(this), settings->audioBitrate(),
                [settings](const QVariant &value) { settings->set_audioBitrate(value.toInt()); });
}

SettingsDialog::~SettingsDialog()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_fileFilter(m_ui->edtFileFilter->text());
    settings->set_sourceFrequency(m_ui->edtSourceFrequency->value());
    settings->saveSettings();
}

template <typename Apply>
void SettingsDialog::setUpChoice(QComboBox *box, KeyValueItemList *list, const QVariant &current, Apply apply)
{
    box->setModel(list);
    box->setCurrentIndex(list->getIndexOfValue(current));
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [list, apply](int index) {
        if (const KeyValueItem *item = list->at(index))
            apply(item->value());
    });
}
