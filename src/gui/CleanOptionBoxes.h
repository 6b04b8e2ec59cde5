#pragma once

#include "tools/TextCleaner.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QGroupBox;
class TPanelHost;
enum class TToolPanel;

// The objectNames of one cleaner's option controls.
struct TCleanBoxNames {
    const char* UnderscoresToSpaces;
    const char* SpacesToUnderscores;
    const char* MinusToSpaces;
    const char* MergeSpaces;
    const char* CaseFormatting;
    const char* CaseFormat;
};

// A cleaner's option boxes in `group`, all unchecked and no case format chosen at first.
// Checking either underscore box clears the other; "Enable case formatting" enables the
// case format list.
class TCleanOptionBoxes : public QObject {
    Q_OBJECT
public:
    TCleanOptionBoxes(QGroupBox* group, const TCleanBoxNames& names);
    // The boxes in an "Options" group named `groupName` below the panel's list; the panel's
    // entry step refreshes the case format list.
    static TCleanOptionBoxes* AddToPanel(TPanelHost* dlg, TToolPanel panel, const char* groupName,
                                         const TCleanBoxNames& names);

    TCleanOptions Options() const;
    // The case format list usable exactly when case formatting is on (the panel's entry step).
    void RefreshCaseList();

private:
    QCheckBox* FUnderToSpace;
    QCheckBox* FSpaceToUnder;
    QCheckBox* FMinusToSpace;
    QCheckBox* FMergeSpaces;
    QCheckBox* FCaseOn;
    QComboBox* FCase;
};
