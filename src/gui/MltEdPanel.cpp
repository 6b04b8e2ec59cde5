#include "gui/MltEdPanel.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tags/Id3v1Tag.h"
#include "tools/MultiTagger.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

TMltEdPanel::TMltEdPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::MultipleFiles)) {
    setObjectName(QStringLiteral("mlted"));
    QWidget* panel = dlg->Panel(TToolPanel::MultipleFiles);

    auto* group = new QGroupBox(tr("Meta Information"), panel);
    group->setObjectName(QStringLiteral("mltmeta_grp"));
    auto* grid = new QGridLayout(group);
    auto addField = [&](int row, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, group);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1, 1, 3);
    };
    FArtist = new QLineEdit(group);
    FArtist->setObjectName(QStringLiteral("mltartist_txt"));
    addField(0, tr("Artist"), FArtist);
    FAlbum = new QLineEdit(group);
    FAlbum->setObjectName(QStringLiteral("mltalbum_txt"));
    addField(1, tr("Album"), FAlbum);
    FYear = new QLineEdit(group);
    FYear->setObjectName(QStringLiteral("mltyear_txt"));
    FYear->setMaxLength(4);
    FYear->setMaximumWidth(80);
    FGenre = new QComboBox(group);
    FGenre->setObjectName(QStringLiteral("mltgenre_txt"));
    FGenre->setEditable(true);
    FGenre->setInsertPolicy(QComboBox::NoInsert);
    FGenre->addItems(SortedGenreNames());
    FGenre->setCurrentIndex(-1);
    FGenre->setEditText(QString());
    grid->addWidget(new QLabel(tr("Year"), group), 2, 0);
    grid->addWidget(FYear, 2, 1);
    grid->addWidget(new QLabel(tr("Genre"), group), 2, 2, Qt::AlignRight);
    grid->addWidget(FGenre, 2, 3);
    FComments = new QPlainTextEdit(group);
    FComments->setObjectName(QStringLiteral("mltcomments_mmo"));
    FComments->setMaximumHeight(60);
    addField(3, tr("Comments"), FComments);
    auto* kinds = new QHBoxLayout;
    FKinds = std::make_unique<TTagKindBoxes>(group, kinds, QStringLiteral("mlt"));
    kinds->addStretch();
    grid->addLayout(kinds, 4, 1, 1, 3);
    FPerFolder = new QCheckBox(tr("Number tracks per folder"), group);
    FPerFolder->setObjectName(QStringLiteral("mltperfolder_chk"));
    FPerFolder->setToolTip(
        tr("Track numbers start again at 1 in each folder, for a list of several albums"));
    grid->addWidget(FPerFolder, 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    FProgress = MakeToolProgressBar(panel, "mlt_prg");
    dlg->PanelLayout(TToolPanel::MultipleFiles)->addWidget(group);
    dlg->PanelLayout(TToolPanel::MultipleFiles)->addWidget(FProgress);

    FGo = new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok"),
                                           panel->style()->standardIcon(QStyle::SP_DialogOkButton)),
                          tr("&Go"), panel);
    FGo->setObjectName(QStringLiteral("mltgo_btn"));
    FGo->setAutoDefault(false);
    dlg->ButtonColumn(TToolPanel::MultipleFiles)->addWidget(FGo);
    connect(FGo, &QPushButton::clicked, this, &TMltEdPanel::mltgo_btnClick);
    connect(FList, &QListWidget::itemClicked, this, &TMltEdPanel::mlt_lstClick);
}

TMltEdPanel::~TMltEdPanel() = default;

int TMltEdPanel::Kinds() const {
    return FKinds->Kinds();
}

void TMltEdPanel::mltgo_btnClick() {
    TMultiTaggerOptions options;
    options.Paths = FList->Paths();
    options.Artist = FArtist->text();
    options.Album = FAlbum->text();
    options.Year = FYear->text();
    options.Genre = FGenre->currentText();
    options.Comments =
        FComments->toPlainText().split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
    options.Kinds = Kinds();
    options.ConfirmErase = true;
    options.NumberPerFolder = FPerFolder->isChecked();
    const TToolRunGuard guard(FGo, FProgress);
    TBarProgress progress(FProgress);
    RunMultiTagger(options, progress, FDlg->Prompter());
}

void TMltEdPanel::mlt_lstClick() {
    QListWidgetItem* item = FList->currentItem();
    if (!item || !item->isSelected()) return;
    TCommonTagValues values;
    if (!LoadCommonTagValues(item->text(), values)) return;
    FArtist->setText(values.Artist);
    FAlbum->setText(values.Album);
    FYear->setText(values.Year);
    FGenre->setEditText(values.Genre);
}
