#pragma once

#include <QDialog>

#include <array>

#include "core/batch/Batch.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

// The Preferences window: the copies' format and the choices, shown as the batch holds them when
// the window opens and handed to the batch, all at once, by OK. Cancel leaves the batch alone.
class PreferencesDialog : public QDialog {
    Q_OBJECT

public:
    explicit PreferencesDialog(Batch &batch, QWidget *parent = nullptr);

    // Shows what the batch holds now, over anything an earlier opening left.
    void showStored();
    void accept() override;

private:
    // Shows the kind picked in the combo box: its quality and whether it is lossless, as stored
    // for the stored kind, the kind's default otherwise.
    void showType();
    // Enables what applies to the format and the choices as they now stand in the window.
    void enableWhatApplies();
    FileType type() const;
    CopyFormat format() const;

    Batch &batch_;
    QComboBox *type_;
    QLabel *flattenNote_;
    QSlider *qualitySlider_;
    QSpinBox *quality_;
    QCheckBox *lossless_;
    std::array<QCheckBox *, choiceCount> choices_{};
};
