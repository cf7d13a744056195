#pragma once

#include <QDialog>

#include <memory>

class KeyValueItemList;
class QComboBox;

namespace Ui {
class SettingsDialog;
}

// Language, output format, bit rate, algorithm, folder filter and source
// frequency. Combo box choices take effect at once; the filter and the
// frequency are taken over, and everything is saved, when the dialog goes,
// whichever way it was closed.
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

    std::unique_ptr<Ui::SettingsDialog> m_ui;
};
