#pragma once

#include <QDialog>

#include <memory>

class KeyValueItemList;
class QComboBox;

namespace Ui {
class SettingsDialog;
}

// Language, output format, bit rate, sample rate, what happens to videos
// and to outputs that exist, the output folder, algorithm, folder filter and
// source frequency. Combo box choices take effect at once; the text fields,
// the frequency and its detection are taken over, and everything is saved,
// when the dialog goes, whichever way it was closed.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

private:
    // Fills the combo box, selects the row of `current`, and only then
    // connects `apply`, so that filling the dialog changes no setting.
    template <typename Apply>
    void setUpChoice(QComboBox *box, KeyValueItemList *list, const QVariant &current, Apply apply);
    void offerBitrates();
    void showOutputFolder();

    std::unique_ptr<Ui::SettingsDialog> m_ui;
};
