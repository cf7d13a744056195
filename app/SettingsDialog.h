#pragma once

#include <QDialog>
#include <QVariantMap>

#include <memory>

class KeyValueItemList;
class QComboBox;

namespace Ui {
class SettingsDialog;
}

// Language, output format, bit rate, sample rate, what happens to videos
// and to outputs that exist, the output folder, algorithm and formants,
// folder filter and source frequency. Combo box choices take effect at once,
// a language too, in this dialog as well; OK takes the text fields, the
// frequency, its detection and the check boxes over and saves everything,
// Cancel or Escape put every setting back as it was.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    void done(int result) override;

protected:
    void changeEvent(QEvent *event) override;

private:
    // Fills the combo box with a new list, selects the row of `current`,
    // and only then connects `apply`, so that filling the dialog changes no
    // setting. The box's previous list of ours goes.
    template <typename Apply>
    void setUpChoice(QComboBox *box, KeyValueItemList *list, const QVariant &current, Apply apply);
    // The choices whose labels are translated, in the current language.
    void offerChoices();
    void offerBitrates();
    void offerFormants();
    void showOutputFolder();
    void fitNotes();

    std::unique_ptr<Ui::SettingsDialog> m_ui;
    QVariantMap m_before;  // the settings when it opened
};
