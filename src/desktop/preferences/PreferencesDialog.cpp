#include "desktop/preferences/PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "core/app/Localized.h"

PreferencesDialog::PreferencesDialog(Batch &batch, QWidget *parent)
    : QDialog(parent)
    , batch_(batch)
    , type_(new QComboBox)
    , flattenNote_(new QLabel(localized("JPEG has no transparency: transparent areas are "
                                        "flattened on white.")))
    , qualitySlider_(new QSlider(Qt::Horizontal))
    , quality_(new QSpinBox)
    , lossless_(new QCheckBox(localized("Lossless"))) {
    setWindowTitle(localized("Preferences"));
    type_->setObjectName("typeBox");
    for (int index = 0; index < fileTypeCount; ++index)
        type_->addItem(fileTypeTitle(FileType(index)));
    flattenNote_->setObjectName("flattenNote");
    flattenNote_->setWordWrap(true);
    flattenNote_->setForegroundRole(QPalette::PlaceholderText);
    quality_->setObjectName("qualityBox");
    // 0 stands for a kind without a quality; a kind with one starts at 1.
    quality_->setRange(0, 100);
    quality_->setSpecialValueText(QStringLiteral("–"));
    qualitySlider_->setRange(0, 100);
    // Wide enough to set a quality by hand, which also gives the format's note room.
    qualitySlider_->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
    lossless_->setObjectName("losslessBox");

    auto *typeColumn = new QVBoxLayout;
    typeColumn->addWidget(type_);
    typeColumn->addWidget(flattenNote_);
    auto *qualityRow = new QHBoxLayout;
    qualityRow->addWidget(qualitySlider_, 1);
    qualityRow->addWidget(quality_);
    auto *formatBox = new QGroupBox(localized("Copies"));
    auto *formatForm = new QFormLayout(formatBox);
    formatForm->addRow(localized("Format:"), typeColumn);
    formatForm->addRow(localized("Quality:"), qualityRow);
    formatForm->addRow(QString(), lossless_);

    auto *choicesBox = new QGroupBox(localized("Options"));
    auto *choicesColumn = new QVBoxLayout(choicesBox);
    for (int index = 0; index < choiceCount; ++index) {
        const auto choice = Choice(index);
        choices_[index] = new QCheckBox(choiceTitle(choice));
        if (choice == Choice::skipExisting) {
            // Indented under the choice it depends on.
            auto *indented = new QHBoxLayout;
            indented->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                                 style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
            indented->addWidget(choices_[index]);
            choicesColumn->addLayout(indented);
        } else {
            choicesColumn->addWidget(choices_[index]);
        }
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *column = new QVBoxLayout(this);
    column->addWidget(formatBox);
    column->addWidget(choicesBox);
    column->addStretch();
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    connect(type_, &QComboBox::currentIndexChanged, this, &PreferencesDialog::showType);
    connect(qualitySlider_, &QSlider::valueChanged, quality_, &QSpinBox::setValue);
    connect(quality_, &QSpinBox::valueChanged, qualitySlider_, &QSlider::setValue);
    connect(lossless_, &QCheckBox::toggled, this, &PreferencesDialog::enableWhatApplies);
    connect(choices_[int(Choice::keepFolders)], &QCheckBox::toggled, this,
            &PreferencesDialog::enableWhatApplies);
    // Remove Location from Copies can also change in the tray menu or the welcome window while
    // this window is open: the latest change wins.
    connect(&batch_, &Batch::choiceChanged, this,
            [this](Choice choice, bool on) { choices_[int(choice)]->setChecked(on); });
    showStored();
}

void PreferencesDialog::showStored() {
    {
        const QSignalBlocker quiet(type_);
        type_->setCurrentIndex(int(batch_.copyFormat().type));
    }
    showType();
    for (int index = 0; index < choiceCount; ++index)
        choices_[index]->setChecked(batch_.chooses(Choice(index)));
    type_->setFocus();
}

FileType PreferencesDialog::type() const {
    return FileType(type_->currentIndex());
}

void PreferencesDialog::showType() {
    const CopyFormat stored = batch_.copyFormat();
    CopyFormat shown{type(), 0, false};
    if (shown.type == stored.type)
        shown = stored;
    const int quality =
        takesQuality(shown.type) ? effectiveQuality({shown.type, shown.quality}) : 0;
    quality_->setMinimum(quality > 0 ? 1 : 0);
    qualitySlider_->setMinimum(quality_->minimum());
    quality_->setValue(quality);
    lossless_->setChecked(shown.lossless && takesLossless(shown.type));
    flattenNote_->setVisible(!keepsAlpha(shown.type));
    enableWhatApplies();
}

void PreferencesDialog::enableWhatApplies() {
    const bool lossy = takesQuality(type()) && !(lossless_->isChecked() && takesLossless(type()));
    quality_->setEnabled(lossy);
    qualitySlider_->setEnabled(lossy);
    lossless_->setEnabled(takesLossless(type()));
    // Images are passed over only where their copies' names stay the same from run to run.
    choices_[int(Choice::skipExisting)]->setEnabled(
        choices_[int(Choice::keepFolders)]->isChecked());
}

CopyFormat PreferencesDialog::format() const {
    CopyFormat format{type(), 0, false};
    // The kind's own default is stored as none, so that it follows the kind.
    if (takesQuality(format.type) && quality_->value() != defaultQuality(format.type))
        format.quality = quality_->value();
    format.lossless = takesLossless(format.type) && lossless_->isChecked();
    return format;
}

void PreferencesDialog::accept() {
    batch_.setCopyFormat(format());
    for (int index = 0; index < choiceCount; ++index)
        batch_.setChoice(Choice(index), choices_[index]->isChecked());
    QDialog::accept();
}
