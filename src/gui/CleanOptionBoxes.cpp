#include "gui/CleanOptionBoxes.h"

#include "gui/PanelHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace {

QCheckBox* Box(QGroupBox* group, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, group);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

TCleanOptionBoxes::TCleanOptionBoxes(QGroupBox* group, const TCleanBoxNames& names)
    : QObject(group) {
    FUnderToSpace =
        Box(group, names.UnderscoresToSpaces, tr("Replace underscores (\"_\") by spaces"));
    FSpaceToUnder =
        Box(group, names.SpacesToUnderscores, tr("Replace spaces by underscores (\"_\")"));
    FMinusToSpace = Box(group, names.MinusToSpaces, tr("Replace minus (\"-\") by spaces"));
    FMergeSpaces = Box(group, names.MergeSpaces, tr("Merge multiple spaces"));
    FCaseOn = Box(group, names.CaseFormatting, tr("Enable case formatting"));
    FCase = new QComboBox(group);
    FCase->setObjectName(QString::fromLatin1(names.CaseFormat));
    FCase->addItems({tr("Upper case"), tr("Lower case"), tr("Capitalize first letter"),
                     tr("Capitalize first letter (first word only)")});
    FCase->setCurrentIndex(-1);
    auto* grid = new QGridLayout(group);
    grid->addWidget(FUnderToSpace, 0, 0);
    grid->addWidget(FSpaceToUnder, 1, 0);
    grid->addWidget(FMinusToSpace, 2, 0);
    grid->addWidget(FMergeSpaces, 0, 1);
    grid->addWidget(FCaseOn, 1, 1);
    grid->addWidget(FCase, 2, 1);
    grid->setColumnStretch(2, 1);
    connect(FUnderToSpace, &QCheckBox::toggled, this, [this](bool on) {
        if (on) FSpaceToUnder->setChecked(false);
    });
    connect(FSpaceToUnder, &QCheckBox::toggled, this, [this](bool on) {
        if (on) FUnderToSpace->setChecked(false);
    });
    connect(FCaseOn, &QCheckBox::toggled, this, &TCleanOptionBoxes::RefreshCaseList);
    RefreshCaseList();
}

TCleanOptionBoxes* TCleanOptionBoxes::AddToPanel(TPanelHost* dlg, TToolPanel panel,
                                                 const char* groupName,
                                                 const TCleanBoxNames& names) {
    auto* group = new QGroupBox(tr("Options"), dlg->Panel(panel));
    group->setObjectName(QString::fromLatin1(groupName));
    auto* boxes = new TCleanOptionBoxes(group, names);
    dlg->PanelLayout(panel)->addWidget(group);
    dlg->EntrySteps.insert(int(panel), [boxes] { boxes->RefreshCaseList(); });
    return boxes;
}

TCleanOptions TCleanOptionBoxes::Options() const {
    TCleanOptions o;
    o.UnderscoresToSpaces = FUnderToSpace->isChecked();
    o.SpacesToUnderscores = FSpaceToUnder->isChecked();
    o.MinusToSpaces = FMinusToSpace->isChecked();
    o.MergeSpaces = FMergeSpaces->isChecked();
    o.CaseFormatting = FCaseOn->isChecked();
    o.CaseFormat = FCase->currentIndex();
    return o;
}

void TCleanOptionBoxes::RefreshCaseList() {
    FCase->setEnabled(FCaseOn->isChecked());
}
