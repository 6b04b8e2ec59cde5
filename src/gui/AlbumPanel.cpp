#include "gui/AlbumPanel.h"

#include "gui/AutoSortDlg.h"
#include "gui/FreeDBDlg.h"
#include "gui/HTTPDlg.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "gui/TrackNameEditDlg.h"
#include "io/FileUtils.h"
#include "tags/Id3v1Tag.h"
#include "tools/AlbumRenamer.h"
#include "tools/AutoSort.h"
#include "tools/FolderScan.h"
#include "tools/LookupSettings.h"
#include "tools/Patterns.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = Named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TAlbumPanel::TAlbumPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), trloc_lst(dlg->ToolList(TToolPanel::Album)) {
    setObjectName(QStringLiteral("tagren"));
    QWidget* panel = dlg->Panel(TToolPanel::Album);
    FHttp = new THTTPDlg(dlg->HostWindow());
    FFreeDB = new TFreeDBDlg(dlg, FHttp);
    FAutoSort = new TAutoSortDlg(dlg->Prompter(), dlg->HostWindow());
    FEdit = new TTrackNameEditDlg(dlg->HostWindow());

    // Local files: the shared list operations plus "Add Files" and "Add Fake".
    dlg->ShowListOperations(TToolPanel::Album);
    trloc_lst->setToolTip(tr("Local Files"));
    QVBoxLayout* column = dlg->ButtonColumn(TToolPanel::Album);
    auto* addFiles = Button(panel, "trlocaddfiles_btn", tr("Add Files"));
    auto* addFake = Button(panel, "trlocaddfake_btn", tr("Add Fake"));
    column->insertWidget(0, addFiles);
    column->insertWidget(column->count() - 1, addFake);
    connect(addFiles, &QPushButton::clicked, this, &TAlbumPanel::trlocaddfiles_btnClick);
    connect(addFake, &QPushButton::clicked, this, &TAlbumPanel::trlocaddfake_btnClick);

    // New names beside the local files.
    auto* names = Named(new QGroupBox(tr("FreeDB Names"), panel), "trnew_grp");
    auto* grid = new QGridLayout(names);
    trnewartist_txt = Named(new QLineEdit(names), "trnewartist_txt");
    trnewalbum_txt = Named(new QLineEdit(names), "trnewalbum_txt");
    trnewyear_txt = Named(new QLineEdit(names), "trnewyear_txt");
    trnewyear_txt->setMaxLength(4);
    trnewyear_txt->setMinimumWidth(64);
    trnewyear_txt->setMaximumWidth(90);
    trnewgenre_txt = Named(new QComboBox(names), "trnewgenre_txt");
    trnewgenre_txt->setEditable(true);
    trnewgenre_txt->setInsertPolicy(QComboBox::NoInsert);
    trnewgenre_txt->addItems(SortedGenreNames());
    trnewgenre_txt->setCurrentIndex(-1);
    trnewgenre_txt->setEditText(QString());
    grid->addWidget(new QLabel(tr("Artist :"), names), 0, 0);
    grid->addWidget(trnewartist_txt, 0, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Album :"), names), 1, 0);
    grid->addWidget(trnewalbum_txt, 1, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Year :"), names), 2, 0);
    grid->addWidget(trnewyear_txt, 2, 1);
    grid->addWidget(new QLabel(tr("Genre :"), names), 2, 2, Qt::AlignRight);
    grid->addWidget(trnewgenre_txt, 2, 3);
    trnewtracks_lst = Named(new QListWidget(names), "trnewtracks_lst");
    grid->addWidget(trnewtracks_lst, 3, 0, 1, 4);
    auto* nameButtons = new QHBoxLayout;
    auto* query = Button(names, "trnewfreedb_btn", tr("Query FreeDB"));
    auto* edit = Button(names, "tredit_btn", tr("Edit"));
    auto* sort = Button(names, "trnewsort_btn", tr("Auto Sort"));
    nameButtons->addWidget(query);
    nameButtons->addWidget(edit);
    nameButtons->addWidget(sort);
    nameButtons->addStretch();
    grid->addLayout(nameButtons, 4, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
    QVBoxLayout* outer = dlg->PanelLayout(TToolPanel::Album);
    if (auto* row = qobject_cast<QHBoxLayout*>(outer->itemAt(0)->layout()))
        row->addWidget(names, 1);
    else
        outer->addWidget(names, 1);
    connect(query, &QPushButton::clicked, this, &TAlbumPanel::trnewfreedb_btnClick);
    connect(edit, &QPushButton::clicked, this, &TAlbumPanel::tredit_btnClick);
    connect(trnewtracks_lst, &QListWidget::itemDoubleClicked, this, &TAlbumPanel::tredit_btnClick);
    connect(sort, &QPushButton::clicked, this, &TAlbumPanel::trnewsort_btnClick);

    // Comments and options under both lists.
    auto* bottom = new QHBoxLayout;
    auto* comments = new QVBoxLayout;
    comments->addWidget(new QLabel(tr("Comments :"), panel));
    comments_mmo = Named(new QPlainTextEdit(panel), "comments_mmo");
    comments_mmo->setMaximumHeight(70);
    comments->addWidget(comments_mmo);
    bottom->addLayout(comments, 1);
    auto* options = Named(new QGroupBox(tr("Options"), panel), "tropt_grp");
    auto* optGrid = new QGridLayout(options);
    troptionsrename_chk = Named(new QCheckBox(tr("Rename Files"), options), "troptionsrename_chk");
    troptionsrename_chk->setChecked(true);
    troptionstag_chk = Named(new QCheckBox(tr("Tag Files"), options), "troptionstag_chk");
    troptionstag_chk->setChecked(true);
    troptionspls_chk = Named(new QCheckBox(tr("Create Playlist"), options), "troptionspls_chk");
    troptionsrenamepattern_lbl = Named(new QLabel(options), "troptionsrenamepattern_lbl");
    troptionsplspattern_lbl = Named(new QLabel(options), "troptionsplspattern_lbl");
    optGrid->addWidget(troptionsrename_chk, 0, 0);
    optGrid->addWidget(troptionsrenamepattern_lbl, 0, 1);
    optGrid->addWidget(troptionstag_chk, 1, 0);
    optGrid->addWidget(troptionspls_chk, 2, 0);
    optGrid->addWidget(troptionsplspattern_lbl, 2, 1);
    optGrid->setColumnStretch(1, 1);
    bottom->addWidget(options, 2);
    outer->addLayout(bottom);
    tr_prg = MakeToolProgressBar(panel, "tr_prg");
    outer->addWidget(tr_prg);

    trgo_btn =
        new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok"),
                                         panel->style()->standardIcon(QStyle::SP_DialogOkButton)),
                        tr("Go"), panel);
    trgo_btn->setObjectName(QStringLiteral("trgo_btn"));
    trgo_btn->setAutoDefault(false);
    column->addWidget(trgo_btn);
    connect(trgo_btn, &QPushButton::clicked, this, &TAlbumPanel::trgo_btnClick);
    dlg->EntrySteps.insert(int(TToolPanel::Album), [this] { RefreshSamples(); });
}

TAlbumPanel::~TAlbumPanel() = default;

void TAlbumPanel::RefreshSamples() {
    troptionsrenamepattern_lbl->setText(PatternSample(FDlg->Settings.RenamePattern, QString(),
                                                      tr("Artist"), tr("Album"), tr("Track Name")));
    troptionsplspattern_lbl->setText(PatternSample(FDlg->Settings.PlaylistPattern,
                                                   kPlaylistPatternSkip, tr("Artist"), tr("Album"),
                                                   tr("Track Name")));
}

QStringList TAlbumPanel::LocalEntries() const {
    return ListTexts(trloc_lst);
}

QStringList TAlbumPanel::NewTracks() const {
    return ListTexts(trnewtracks_lst);
}

void TAlbumPanel::trlocaddfiles_btnClick() {
    const QString folder = FDlg->Prompter().BrowseFolder(tr("Add Files"));
    if (folder.isEmpty()) return;
    trloc_lst->clear();
    AlbumFolder = WideIncludeTrailingBackslash(folder);
    QStringList names;
    trloc_lst->setUpdatesEnabled(false);
    FDlg->ScanInto(folder, false, [&names](const QString& path) {
        const QString name = WideExtractFileName(path);
        if (IsListablePath(path) && !names.contains(name)) names << name;
    });
    trloc_lst->addItems(names);
    trloc_lst->setUpdatesEnabled(true);
    if (trloc_lst->count() == 0 || FDlg->Settings.DisableAssistant) return;
    if (FDlg->AskQuestion(
            tr("Do you want to automatically fetch song names from the FreeDB online database ?")))
        trnewfreedb_btnClick();
    if (FDlg->AskQuestion(tr("Do you want Sonvale to automatically sort files")))
        trnewsort_btnClick();
}

void TAlbumPanel::trlocaddfake_btnClick() {
    trloc_lst->addItem(kFakeTrack);
}

void TAlbumPanel::trnewfreedb_btnClick() {
    // The album folder's own name is the first guess at the album.
    const QString inner = WideExcludeTrailingBackslash(AlbumFolder);
    FFreeDB->freedbsearch_txt->setText(
        AlbumFolder.size() < 5 ? QString() : inner.mid(inner.lastIndexOf(kPathDelim) + 1));
    FFreeDB->LocalDurations = MeasureDurations(AlbumFolder, LocalEntries());
    if (!FFreeDB->ExecuteLookup()) return;
    trnewartist_txt->setText(FFreeDB->freedbartist_txt->text());
    trnewalbum_txt->setText(FFreeDB->freedbalbum_txt->text());
    trnewgenre_txt->setEditText(FFreeDB->freedbgenre_txt->text());
    trnewyear_txt->setText(FFreeDB->freedbyear_txt->text());
    trnewtracks_lst->clear();
    trnewtracks_lst->addItems(FFreeDB->Tracks());
    if (trloc_lst->count() < trnewtracks_lst->count() &&
        FDlg->AskQuestion(tr("Tracks seems to be missing. Do you want Sonvale to add the "
                             "appropriate number of fake files ?")))
        while (trloc_lst->count() < trnewtracks_lst->count())
            trloc_lst->addItem(kFakeTrack);
    Durations = FFreeDB->Durations;
}

void TAlbumPanel::tredit_btnClick() {
    QListWidgetItem* item = trnewtracks_lst->currentItem();
    if (!item) return;
    FEdit->track_txt->setText(item->text());
    if (FEdit->ExecuteEdit()) item->setText(FEdit->track_txt->text());
}

void TAlbumPanel::trnewsort_btnClick() {
    if (!AlbumListsReady(LocalEntries(), NewTracks(), FDlg->Prompter())) return;
    FAutoSort->Local = LocalEntries();
    FAutoSort->Names = NewTracks();
    FAutoSort->Targets = Durations;
    FAutoSort->Folder = AlbumFolder;
    if (!FAutoSort->ExecuteSort()) return;
    trloc_lst->clear();
    trloc_lst->addItems(FAutoSort->LocalOrder());
}

void TAlbumPanel::trgo_btnClick() {
    TAlbumRenamerOptions options;
    AlbumOptionsFromSettings(FDlg->Settings, options);
    options.Folder = AlbumFolder;
    options.Entries = LocalEntries();
    options.Tracks = NewTracks();
    options.Artist = trnewartist_txt->text();
    options.Album = trnewalbum_txt->text();
    options.Year = trnewyear_txt->text();
    options.Genre = trnewgenre_txt->currentText();
    options.Comments =
        comments_mmo->toPlainText().split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
    options.Rename = troptionsrename_chk->isChecked();
    options.Tag = troptionstag_chk->isChecked();
    options.Playlist = troptionspls_chk->isChecked();
    // Each rename shows in the list as it happens.
    options.FileDone = [this](const TAlbumFileResult& file) {
        if (file.Renamed && file.Track - 1 < trloc_lst->count())
            trloc_lst->item(file.Track - 1)->setText(file.NewName);
    };
    const TToolRunGuard guard(trgo_btn, tr_prg);
    TBarProgress progress(tr_prg);
    RunAlbumRenamer(options, progress, FDlg->Prompter());
}
