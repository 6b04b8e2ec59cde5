#include "gui/MainDlg.h"

#include "gui/AlbumPanel.h"
#include "gui/BurnerPanel.h"
#include "gui/CleanerPanel.h"
#include "gui/DuplicatesPanel.h"
#include "gui/FolderScanDlg.h"
#include "gui/Glyphs.h"
#include "gui/GuiPrompter.h"
#include "gui/IncompletePanel.h"
#include "gui/Languages.h"
#include "gui/ListerPanel.h"
#include "gui/MagicPanel.h"
#include "gui/MltEdPanel.h"
#include "gui/OrganizerPanel.h"
#include "gui/PlsCheckerPanel.h"
#include "gui/PlsCreatorPanel.h"
#include "gui/QualityPanel.h"
#include "gui/RemovePanel.h"
#include "gui/SettingsPage.h"
#include "gui/SingleEdPanel.h"
#include "gui/Starter.h"
#include "gui/StreamWriterDlg.h"
#include "gui/TagCleanPanel.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "gui/TopBand.h"
#include "gui/WheelGuard.h"
#include "lang/LangList.h"
#include "platform/Platform.h"
#include "platform/StartupRoute.h"
#include "tags/Id3v1Tag.h"
#include "tools/ByteSize.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kBarButtonWidth = 80;

// The window's size and place, restored at the next start.
const char kGeometryKey[] = "WindowGeometry";

// A tool panel's file list and which shared operations it offers.
struct TListSpec {
    TToolPanel Panel;
    const char* ListName;
    const char* ButtonPrefix;
    const char* AddName;       // "Add" button, nullptr where the tool fills its list itself
    const char* AddFolderName; // "Add Folder" button
    bool UpDown;
    bool SelectAfterRemove;
};

const TListSpec kLists[] = {
    {TToolPanel::Album, "trloc_lst", "trloc", nullptr, nullptr, true, true},
    {TToolPanel::Burner, "ign_lst", "ign", "ignadd_btn", "ignaddfolder_btn", true, true},
    {TToolPanel::Cleaner, "clean_lst", "clean", "cleanadd_btn", "cleanaddfolder_btn", false, true},
    {TToolPanel::Remover, "trem_lst", "trem", "tremadd_btn", "tremaddfolder_btn", true, false},
    {TToolPanel::Organizer, "orga_lst", "orga", "orgaadd_btn", "orgaaddfolder_btn", false, true},
    {TToolPanel::PlaylistCreator, "plscr_lst", "plscr", "plscraddfiles_btn", "plscradddir_btn",
     true, false},
    {TToolPanel::PlaylistChecker, "plsck_lst", "plsck", nullptr, nullptr, false, true},
    {TToolPanel::Lister, "list_lst", "list", "listadd_btn", "listaddfolder_btn", false, true},
    {TToolPanel::MultipleFiles, "mlt_lst", "mlt", "mltadd_btn", "mltaddfolder_btn", false, true},
    {TToolPanel::Duplicates, "duploc_lst", "duploc", "duplocadd_btn", "duplocaddfolder_btn", false,
     true},
    {TToolPanel::Incomplete, "intag_lst", "intag", "intagadd_btn", "intagaddfolder_btn", false,
     true},
    {TToolPanel::Quality, "qualoc_lst", "qualoc", "quaadd_btn", "quaaddfolder_btn", false, true},
    {TToolPanel::Magic, "magic_lst", "magic", "magicadd_btn", "magicaddfolder_btn", false, true},
    {TToolPanel::TagCleaner, "tagclean_lst", "tagclean", "tcladd_btn", "tcladdfolder_btn", false,
     true},
};

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), qApp->style()->standardIcon(fallback));
}

// Each tool's built-in glyph, coloured by its group on the tools list.
QIcon ToolGlyph(TToolPanel panel) {
    const QColor editors(0x35, 0x74, 0xc9), mass(0xd9, 0x7b, 0x16), playlists(0x2e, 0x9b, 0x57),
        others(0x83, 0x52, 0xc8);
    switch (panel) {
    case TToolPanel::Album:
        return GlyphIcon(QStringLiteral("\u266B"), editors);
    case TToolPanel::SingleFile:
        return GlyphIcon(QStringLiteral("\u270E"), editors);
    case TToolPanel::MultipleFiles:
        return GlyphIcon(QStringLiteral("\u2630"), editors);
    case TToolPanel::Cleaner:
    case TToolPanel::TagCleaner:
        return GlyphIcon(QStringLiteral("Aa"), mass);
    case TToolPanel::Remover:
        return GlyphIcon(QStringLiteral("\u2715"), mass);
    case TToolPanel::Organizer:
        return GlyphIcon(QStringLiteral("\u21C4"), mass);
    case TToolPanel::Burner:
        return GlyphIcon(QStringLiteral("\u25C9"), mass);
    case TToolPanel::PlaylistCreator:
        return GlyphIcon(QStringLiteral("+"), playlists);
    case TToolPanel::PlaylistChecker:
        return GlyphIcon(QStringLiteral("\u2713"), playlists);
    case TToolPanel::Lister:
        return GlyphIcon(QStringLiteral("\u2261"), playlists);
    case TToolPanel::Duplicates:
        return GlyphIcon(QStringLiteral("dup"), others);
    case TToolPanel::Incomplete:
        return GlyphIcon(QStringLiteral("?"), others);
    case TToolPanel::Quality:
        return GlyphIcon(QStringLiteral("\u2605"), others);
    case TToolPanel::Magic:
        return GlyphIcon(QStringLiteral("\u2726"), others);
    case TToolPanel::Settings:
        return GlyphIcon(QStringLiteral("\u2699"), QColor(0x6b, 0x72, 0x7c));
    case TToolPanel::Tools:
        break;
    }
    return GlyphIcon(QStringLiteral("\u266A"), QColor(0x1f, 0x8a, 0x8a));
}

} // namespace

const QList<TMainDlg::TPanelInfo>& TMainDlg::PanelTable() {
    static const QList<TPanelInfo> table = {
        {TToolPanel::Tools, "work_pnl", QT_TR_NOOP("Tools"), "tools_btn", QT_TR_NOOP("Tools List"),
         QT_TR_NOOP("Choose the appropriate tool in the list below"), "applications-multimedia"},
        {TToolPanel::Album, "tr_pnl", QT_TR_NOOP("Album"), "tagren_btn",
         QT_TR_NOOP("Automatic Album Renamer and tagger"),
         QT_TR_NOOP("Use this tool to automatically tag and rename a complete or partial album."),
         "media-optical-audio"},
        {TToolPanel::SingleFile, "singleed_pnl", QT_TR_NOOP("Single Files"), "sngtag_btn",
         QT_TR_NOOP("Single File Tag Editor"),
         QT_TR_NOOP("Use this tool to manually edit the meta tags of a single file"),
         "document-edit"},
        {TToolPanel::Burner, "ign_pnl", QT_TR_NOOP("CD Burner"), "ign_btn", QT_TR_NOOP("CD Burner"),
         QT_TR_NOOP("Use this tool to burn audio CDs from audios files"), "media-optical-burn"},
        {TToolPanel::Cleaner, "cleaner_pnl", QT_TR_NOOP("Name Cleaner"), "cleaner_btn",
         QT_TR_NOOP("File name cleaner"),
         QT_TR_NOOP("Use this tool to clean and uniformize the name of your audio files."),
         "edit-clear"},
        {TToolPanel::Remover, "remove_pnl", QT_TR_NOOP("Tag Remover"), "tagrem_btn",
         QT_TR_NOOP("MetaTags Remover"),
         QT_TR_NOOP("Use this tool to remove the meta tags stored in your audio files."),
         "edit-delete"},
        {TToolPanel::Organizer, "org_pnl", QT_TR_NOOP("Organizer"), "orga_btn",
         QT_TR_NOOP("File Organizer"),
         QT_TR_NOOP(
             "Use this tool move / rename your audio files according to their content / metatags."),
         "folder-move"},
        {TToolPanel::PlaylistCreator, "plscr_pnl", QT_TR_NOOP("Create Playlist"), "createpls_btn",
         QT_TR_NOOP("Playlist Creator"), QT_TR_NOOP("Use this tool to create or edit playlists."),
         "document-new"},
        {TToolPanel::PlaylistChecker, "plsck_pnl", QT_TR_NOOP("Check Playlist"), "checkpls_btn",
         QT_TR_NOOP("Playlist Checker"),
         QT_TR_NOOP("Use this tool to clean your playlists of files that no longer exists."),
         "dialog-ok-apply"},
        {TToolPanel::Lister, "lister_pnl", QT_TR_NOOP("Files Lister"), "list_btn",
         QT_TR_NOOP("File Lister"),
         QT_TR_NOOP("Use this tool to generate a list of your audio files."), "view-list-text"},
        {TToolPanel::Settings, "setup_pnl", QT_TR_NOOP("Settings"), "settings_btn",
         QT_TR_NOOP("Setup Sonvale"),
         QT_TR_NOOP(
             "Use this form to customize this settings to suits your needs and convinience."),
         "preferences-system"},
        {TToolPanel::MultipleFiles, "mlted_pnl", QT_TR_NOOP("Multiple Files"), "mlttag_btn",
         QT_TR_NOOP("Multiple Files Tag Editor"),
         QT_TR_NOOP("Use this tool to manually edit the meta tags of a group of files"),
         "document-multiple"},
        {TToolPanel::Duplicates, "duplicates_pnl", QT_TR_NOOP("Duplicates"), "duplicates_btn",
         QT_TR_NOOP("Duplicate Files Finder"),
         QT_TR_NOOP("Use this tool find and delete duplicate audio files."), "edit-copy"},
        {TToolPanel::Incomplete, "intag_pnl", QT_TR_NOOP("Incomplete Tags"), "incomplete_btn",
         QT_TR_NOOP("Incomplete Tags Finder"),
         QT_TR_NOOP("Use this tool find audio files with incomplete tags."), "edit-find"},
        {TToolPanel::Quality, "qua_pnl", QT_TR_NOOP("Quality Analyser"), "quality_btn",
         QT_TR_NOOP("Quality Analyser"),
         QT_TR_NOOP("Use this tool find audio files with poor audio quality."),
         "audio-volume-high"},
        {TToolPanel::Magic, "magic_pnl", QT_TR_NOOP("Magic Folder"), "magic_btn",
         QT_TR_NOOP("Magic Folder"),
         QT_TR_NOOP(
             "Use this tool to build a \"magic folder\" with structured shorcuts to your favorite "
             "songs."),
         "folder-favorites"},
        {TToolPanel::TagCleaner, "tagclean_pnl", QT_TR_NOOP("Tag Cleaner"), "tagcleaner_btn",
         QT_TR_NOOP("Tag cleaner"),
         QT_TR_NOOP(
             "Use this tool to clean and uniformize the tags (meta info) of your audio files."),
         "edit-clear"},
    };
    return table;
}

const TMainDlg::TPanelInfo& TMainDlg::Info(TToolPanel panel) const {
    for (const auto& info : PanelTable())
        if (info.Panel == panel) return info;
    return PanelTable().first();
}

QIcon TMainDlg::PanelIcon(TToolPanel panel) const {
    switch (panel) {
    case TToolPanel::Tools:
        return windowIcon();
    case TToolPanel::Settings:
        return ThemeIconOr("preferences-system", ToolGlyph(panel));
    case TToolPanel::TagCleaner: // shows the name cleaner's glyph
        return ThemeIconOr(Info(TToolPanel::Cleaner).IconName, ToolGlyph(TToolPanel::Cleaner));
    default:
        return ThemeIconOr(Info(panel).IconName, ToolGlyph(panel));
    }
}

TMainDlg::TMainDlg(std::shared_ptr<TPrompter> prompter, QWidget* parent)
    : QMainWindow(parent), FPrompter(std::move(prompter)) {
    if (!FPrompter) FPrompter = std::make_shared<TGuiPrompter>(this);
    // Before any control exists, so every combo and spin box is polished with it.
    InstallWheelGuard(this);
    setObjectName(QStringLiteral("TMainDlg"));
    setWindowTitle(QStringLiteral("Sonvale"));
    setWindowIcon(AppIcon());
    setMinimumSize(760, 520);
    FFolderScan = new TFolderScanDlg(this);
    FStarter = new TStarter(this);
    FStreamWriter = new TStreamWriterDlg(this);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    BuildTopBand(central);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    auto* bar = new QVBoxLayout;
    auto makeBarButton = [&](const char* name, const char* caption, const QIcon& icon) {
        auto* b = new QToolButton(central);
        b->setObjectName(QString::fromLatin1(name));
        if (caption) SetCaption(b, caption);
        b->setIcon(icon);
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumWidth(kBarButtonWidth);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    // The bar shows where the user is: the tools list (with the active tool below it) or
    // the settings.
    FToolsBtn = makeBarButton("tools_btn", QT_TR_NOOP("&Tools"), PanelIcon(TToolPanel::Tools));
    SetCaption(FToolsBtn, QT_TR_NOOP("Choose the appropriate tool in the list below"), true);
    connect(FToolsBtn, &QToolButton::clicked, this, &TMainDlg::tools_btnClick);
    FActiveToolBtn = makeBarButton("curtool_btn", nullptr, QIcon());
    FActiveToolBtn->setVisible(false);
    connect(FActiveToolBtn, &QToolButton::clicked, this, [this] {
        ShowToolPanel(FLastTool);
        SyncBarButtons();
    });
    FSettingsBtn =
        makeBarButton("settings_btn", QT_TR_NOOP("&Settings"), PanelIcon(TToolPanel::Settings));
    SetCaption(FSettingsBtn, QT_TR_NOOP("Setup Sonvale"), true);
    connect(FSettingsBtn, &QToolButton::clicked, this, &TMainDlg::settings_btnClick);
    for (QToolButton* b : {FToolsBtn, FActiveToolBtn, FSettingsBtn})
        b->setCheckable(true);
    connect(makeBarButton("about_btn", QT_TR_NOOP("A&bout"),
                          ThemeIconOr("help-about",
                                      GlyphIcon(QStringLiteral("i"), QColor(0x4a, 0x6f, 0x9c)))),
            &QToolButton::clicked, this, &TMainDlg::about_btnClick);
    bar->addStretch();
    body->addLayout(bar);

    FWork = new QStackedWidget(central);
    FWork->setObjectName(QStringLiteral("work_area"));
    for (const auto& info : PanelTable()) {
        QWidget* panel = info.Panel == TToolPanel::Tools ? BuildToolsList()
                         : info.Panel == TToolPanel::Settings
                             ? (FSettingsPage = new TSettingsPage(*this))
                             : BuildToolPanel(info);
        panel->setObjectName(QString::fromLatin1(info.PanelName));
        FPanels.insert(int(info.Panel), panel);
        FWork->addWidget(panel);
    }
    body->addWidget(FWork, 1);
    outer->addLayout(body, 1);
    setCentralWidget(central);

    SaveSettingsHook = [this] { FSettingsPage->SaveSettings(); };
    RetranslateUi();

    // The tools' own controls on their panels.
    SingleFileEditor = new TSingleEdPanel(this);
    new TMltEdPanel(this);
    new TRemovePanel(this);
    new TOrganizerPanel(this);
    new TMagicPanel(this);
    new TDuplicatesPanel(this);
    new TQualityPanel(this);
    new TPlsCreatorPanel(this);
    new TPlsCheckerPanel(this);
    FLister = new TListerPanel(this);
    FBurner = new TBurnerPanel(this);
    new TCleanerPanel(this);
    new TTagCleanPanel(this);
    new TIncompletePanel(this);
    new TAlbumPanel(this);
    main_ts = AttachMessageLists(this);
    langue = new TLangList(this);
    SetupLanguageList(*langue, this, [this] { langueAfterLanguageSwitch(); });
    FSettingsPage->AttachLanguageList(*langue);
    ShowToolPanel(TToolPanel::Tools);
}

TMainDlg::~TMainDlg() {
    FormDestroy();
}

void TMainDlg::BuildTopBand(QWidget* parent) {
    const TTopBand band = MakeTopBand(parent);
    FTitle = band.Title;
    FSubtitle = band.Subtitle;
    FIcon = band.Picture;
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(band.Band);
}

QWidget* TMainDlg::BuildToolsList() {
    auto* panel = new QWidget;
    auto* lay = new QVBoxLayout(panel);
    struct TGroup {
        const char* Caption;
        QList<TToolPanel> Tools;
    };
    const QList<TGroup> groups = {
        {QT_TR_NOOP("Editors and Taggers"),
         {TToolPanel::Album, TToolPanel::SingleFile, TToolPanel::MultipleFiles}},
        {QT_TR_NOOP("Mass Files Processor"),
         {TToolPanel::Cleaner, TToolPanel::Remover, TToolPanel::Organizer, TToolPanel::Burner}},
        {QT_TR_NOOP("Playlists"),
         {TToolPanel::PlaylistCreator, TToolPanel::PlaylistChecker, TToolPanel::Lister}},
        {QT_TR_NOOP("Other Tools"),
         {TToolPanel::Duplicates, TToolPanel::Incomplete, TToolPanel::Quality, TToolPanel::Magic,
          TToolPanel::TagCleaner}},
    };
    for (const auto& g : groups) {
        auto* box = new QGroupBox(panel);
        SetCaption(box, g.Caption);
        auto* grid = new QGridLayout(box);
        int col = 0;
        for (TToolPanel tool : g.Tools) {
            const TPanelInfo& info = Info(tool);
            auto* b = new QToolButton(box);
            b->setObjectName(QString::fromLatin1(info.Handler));
            SetCaption(b, info.Caption);
            SetCaption(b, info.Subtitle, true);
            b->setIcon(PanelIcon(tool));
            b->setIconSize(QSize(32, 32));
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setMinimumWidth(100);
            b->setAutoRaise(true);
            b->setCheckable(true); // the active tool stays highlighted
            FToolButtons.insert(int(tool), b);
            connect(b, &QToolButton::clicked, this, [this, tool] {
                ShowToolPanel(tool);
                SyncBarButtons();
            });
            grid->addWidget(b, 0, col++);
        }
        grid->setColumnStretch(col, 1);
        lay->addWidget(box);
    }
    lay->addStretch();
    return panel;
}

QWidget* TMainDlg::BuildToolPanel(const TPanelInfo& info) {
    auto* panel = new QWidget;
    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    const TListSpec* spec = nullptr;
    for (const auto& s : kLists)
        if (s.Panel == info.Panel) spec = &s;
    if (!spec) return panel;
    auto* lay = new QHBoxLayout;
    outer->addLayout(lay, 1);
    auto* list = new TToolList(QString::fromLatin1(spec->ListName), panel);
    FLists.insert(int(info.Panel), list);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(list, 1);
    listColumn->addWidget(MakeCountLabel(list, panel));
    lay->addLayout(listColumn, 1);
    // Lists their own tool fills take no drops: the tool decides what an entry is.
    if (!spec->AddName) {
        list->setAcceptDrops(false);
        list->viewport()->setAcceptDrops(false);
    }
    // A dropped folder is scanned after the drop has returned to the file manager, which
    // would otherwise wait for the whole scan.
    if (spec->AddName)
        connect(
            list, &TToolList::FolderDropped, this,
            [this, list](const QString& folder) {
                list->setUpdatesEnabled(false);
                ScanInto(folder, true, [list](const QString& path) { list->AddFileToList(path); });
                list->setUpdatesEnabled(true);
            },
            Qt::QueuedConnection);
    auto* buttons = new QVBoxLayout;
    const QString prefix = QString::fromLatin1(spec->ButtonPrefix);
    const bool album = info.Panel == TToolPanel::Album;
    auto add = [&](const QString& name, const char* caption, const char* tip, const char* icon,
                   QStyle::StandardPixmap fallback, std::function<void()> action) {
        auto* b = new QPushButton(ThemeIcon(icon, fallback), QString(), panel);
        b->setObjectName(name);
        b->setAutoDefault(false);
        SetCaption(b, caption);
        SetCaption(b, tip, true);
        connect(b, &QPushButton::clicked, this, std::move(action));
        // A run works on its own copy of the list, so editing lists stays safe meanwhile.
        b->setProperty(kKeepEnabledDuringRun, true);
        buttons->addWidget(b);
        // Until the tool can fill its list, its operations would act on nothing.
        if (!spec->AddName) {
            b->setVisible(false);
            FHiddenOperations[int(info.Panel)].append(b);
        }
    };
    if (spec->AddName) {
        add(QString::fromLatin1(spec->AddName), QT_TR_NOOP("&Add"),
            QT_TR_NOOP("Add an audio file to the list"), "list-add", QStyle::SP_FileIcon,
            [this, list] { AddFromOpenDialog(list); });
        add(QString::fromLatin1(spec->AddFolderName), QT_TR_NOOP("Add &Folder"),
            QT_TR_NOOP("Add the audio files of a folder to the list"), "folder-add",
            QStyle::SP_DirIcon, [this, list] { AddFolderToList(list); });
    }
    const bool selectAfter = spec->SelectAfterRemove;
    // "tremrem_btn" is the tag remover's "Clean"; its list's Remove button takes the long role.
    const bool longRemove = album || info.Panel == TToolPanel::Remover;
    const QString removeName =
        prefix + (longRemove ? QStringLiteral("remove_btn") : QStringLiteral("rem_btn"));
    add(removeName, QT_TR_NOOP("Re&move"),
        QT_TR_NOOP("Remove the selected files from the list (Del)"), "list-remove",
        QStyle::SP_DialogDiscardButton, [list, selectAfter] { ListRemove(list, selectAfter); });
    // The Delete key is the Remove button, with whatever its tool adds to a removal.
    auto* removeButton = panel->findChild<QPushButton*>(removeName);
    connect(list, &TToolList::DeletePressed, removeButton, [removeButton, panel] {
        // Lists their own tool fills offer no removal until the tool says so.
        if (removeButton->isVisibleTo(panel)) removeButton->click();
    });
    add(prefix + QStringLiteral("reset_btn"), QT_TR_NOOP("R&eset"), QT_TR_NOOP("Empty the list"),
        "edit-clear-all", QStyle::SP_DialogResetButton, [list] { ListReset(list); });
    if (spec->UpDown) {
        add(prefix + QStringLiteral("up_btn"), QT_TR_NOOP("&Up"),
            QT_TR_NOOP("Move the selected file up"), "go-up", QStyle::SP_ArrowUp,
            [list] { ListUp(list); });
        add(prefix + QStringLiteral("down_btn"), QT_TR_NOOP("&Down"),
            QT_TR_NOOP("Move the selected file down"), "go-down", QStyle::SP_ArrowDown,
            [list] { ListDown(list); });
    }
    buttons->addStretch();
    FButtonColumns.insert(int(info.Panel), buttons);
    lay->addLayout(buttons);
    return panel;
}

TToolList* TMainDlg::ToolList(TToolPanel panel) const {
    return FLists.value(int(panel));
}

QVBoxLayout* TMainDlg::ButtonColumn(TToolPanel panel) const {
    return FButtonColumns.value(int(panel));
}

QVBoxLayout* TMainDlg::PanelLayout(TToolPanel panel) const {
    QWidget* p = Panel(panel);
    return p ? qobject_cast<QVBoxLayout*>(p->layout()) : nullptr;
}

void TMainDlg::LoadSingleFileQueue(const QStringList& paths) {
    // Kept edits refuse the switch, and then the editor keeps its file and queue too.
    if (!ShowToolPanel(TToolPanel::SingleFile) || !SingleFileEditor) return;
    SingleFileEditor->LoadQueue(paths);
}

void TMainDlg::LoadListerFiles(const QStringList& paths) {
    if (ShowToolPanel(TToolPanel::Lister)) FLister->LoadFiles(paths);
}

TStreamWriter& TMainDlg::StreamWriter() {
    return *FStreamWriter;
}

QWidget* TMainDlg::Panel(TToolPanel panel) const {
    return FPanels.value(int(panel));
}
QString TMainDlg::Title() const {
    return FTitle->text();
}
QString TMainDlg::Subtitle() const {
    return FSubtitle->text();
}

bool TMainDlg::ShowToolPanel(TToolPanel panel) {
    if (FWork->currentWidget() == Panel(TToolPanel::Settings) && SaveSettingsHook)
        SaveSettingsHook();
    if (FWork->currentWidget() == Panel(TToolPanel::SingleFile) && SingleFileModifiedHook &&
        SingleFileModifiedHook() &&
        !AskWarning(tr("Some modifications have not been saved. Continue anyway ?")))
        return false;
    FCurrent = panel;
    if (panel != TToolPanel::Tools && panel != TToolPanel::Settings) FLastTool = panel;
    FWork->setCurrentWidget(Panel(panel));
    const TPanelInfo& info = Info(panel);
    FTitle->setText(tr(info.Title));
    FSubtitle->setText(tr(info.Subtitle));
    RunEntryStep(panel);
    FIcon->setPixmap(PanelIcon(panel).pixmap(32, 32));
    SyncBarButtons();
    return true;
}

void TMainDlg::SyncBarButtons() {
    const bool tool = FCurrent != TToolPanel::Tools && FCurrent != TToolPanel::Settings;
    FToolsBtn->setChecked(FCurrent == TToolPanel::Tools);
    FSettingsBtn->setChecked(FCurrent == TToolPanel::Settings);
    FActiveToolBtn->setChecked(tool);
    const bool any = FLastTool != TToolPanel::Tools;
    FActiveToolBtn->setVisible(any);
    if (any) {
        FActiveToolBtn->setText(tr(Info(FLastTool).Caption));
        FActiveToolBtn->setToolTip(tr(Info(FLastTool).Title));
        FActiveToolBtn->setIcon(PanelIcon(FLastTool));
    }
    for (auto it = FToolButtons.cbegin(); it != FToolButtons.cend(); ++it)
        it.value()->setChecked(any && it.key() == int(FLastTool));
    // The bar grows with its longest caption (a tool's name in another language) instead
    // of cutting it.
    for (QToolButton* b :
         FToolsBtn->parentWidget()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
        b->setMinimumWidth(qMax(kBarButtonWidth, b->sizeHint().width()));
}

void TMainDlg::RunStarted(QWidget* start) {
    if (FRunDepth++ > 0) return;
    for (QWidget* panel : std::as_const(FPanels)) {
        // The tools list only switches panels; the settings start nothing.
        if (panel == Panel(TToolPanel::Tools) || panel == Panel(TToolPanel::Settings)) continue;
        for (QAbstractButton* b : panel->findChildren<QAbstractButton*>()) {
            if (b == start || qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b) ||
                b->property(kKeepEnabledDuringRun).toBool() || !b->isEnabled())
                continue;
            b->setEnabled(false);
            FDisabledDuringRun.append(b);
        }
    }
}

void TMainDlg::RunEnded() {
    if (FRunDepth == 0 || --FRunDepth > 0) return;
    for (const QPointer<QAbstractButton>& b : std::as_const(FDisabledDuringRun))
        if (b) b->setEnabled(true);
    FDisabledDuringRun.clear();
}

void TMainDlg::closeEvent(QCloseEvent* e) {
    // Closing is one more way of leaving the settings page, and of leaving the editor.
    if (FCurrent == TToolPanel::Settings && SaveSettingsHook) SaveSettingsHook();
    if (FCurrent == TToolPanel::SingleFile && SingleFileModifiedHook && SingleFileModifiedHook() &&
        !AskWarning(tr("Some modifications have not been saved. Continue anyway ?"))) {
        e->ignore();
        return;
    }
    // A run handles events between files; it stops after the current one.
    if (FRunDepth > 0)
        for (TRunStatus* status : findChildren<TRunStatus*>())
            status->RequestCancel();
    if (KeepGeometry && isVisible()) SaveWindowGeometry();
    QMainWindow::closeEvent(e);
}

void TMainDlg::SaveWindowGeometry() {
    auto store = platform::OpenSettings();
    store->setValue(QLatin1String(kGeometryKey), saveGeometry());
}

bool TMainDlg::RestoreWindowGeometry() {
    const QByteArray saved =
        platform::OpenSettings()->value(QLatin1String(kGeometryKey)).toByteArray();
    return !saved.isEmpty() && restoreGeometry(saved);
}

void TMainDlg::RunEntryStep(TToolPanel panel) {
    switch (panel) {
    case TToolPanel::SingleFile:
        if (SingleFileEditor) SingleFileEditor->EmptyQueue();
        break;
    case TToolPanel::Settings:
        FSettingsPage->ShowEntry();
        break;
    default:
        break;
    }
    if (const auto step = EntrySteps.value(int(panel))) step();
}

void TMainDlg::setup_lstClick() {
    FSettingsPage->setup_lstClick();
}

int TMainDlg::ShowMessageBox(const QString& text, int buttons, int kind) {
    return FPrompter->ShowMessageBox(text, buttons, kind);
}

void TMainDlg::tools_btnClick() {
    ShowToolPanel(TToolPanel::Tools);
}
void TMainDlg::settings_btnClick() {
    ShowToolPanel(TToolPanel::Settings);
}

void TMainDlg::about_btnClick() {
    const QString version = platform::GetFileVersionText(QCoreApplication::applicationFilePath());
    FPrompter->ShowAbout(
        tr("About Sonvale"),
        QStringLiteral("Sonvale v") + version + QStringLiteral("\n\n") +
            tr("A multi-tool for collections of audio files: edit tags one file at a time or for "
               "a whole list, rename and organize files by their tags, clean names and tags, "
               "build and check playlists, list files, and find duplicates, incomplete tags and "
               "files of poor quality.") +
            QStringLiteral("\n\n") +
            tr("Reads MPEG audio, Ogg Vorbis, WAVE, Windows Media, Monkey's Audio, AC-3 and "
               "Musepack files; reads and writes ID3v1, ID3v2, APEv2 and Vorbis comment tags."));
}

QString TMainDlg::EditorOpenFilter() const {
    // Every extension a reader takes, also those the tool lists leave out.
    return QStringList{
        tr("All Supported Audio Files"),
        QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.wma;*.asf;*.ape;*.ac3;*.mpc;"),
        tr("MPEG Audio"),
        QStringLiteral("*.mp3;*.mp2;*.mp1"),
        tr("OGG Files"),
        QStringLiteral("*.ogg"),
        tr("WAVE Files"),
        QStringLiteral("*.wav"),
        tr("Windows Media Audio"),
        QStringLiteral("*.wma;*.asf"),
        tr("APE Files"),
        QStringLiteral("*.ape"),
        tr("AC-3 Files"),
        QStringLiteral("*.ac3"),
        tr("MPC Audio"),
        QStringLiteral("*.mpc"),
        tr("All Files"),
        QStringLiteral("*"),
    }
        .join(QLatin1Char('|'));
}

QString TMainDlg::OpenDialogFilter() const {
    return QStringList{
        tr("All Supported Audio Files"),
        QStringLiteral("*.mp3;*.ogg;*.mpc;*.mpp;*.mp+;*.ape;*.flac;*.fla;*.aac;*.wv;*.wvc;"),
        tr("MPEG Audio"),
        QStringLiteral("*.mp3"),
        tr("OGG Files"),
        QStringLiteral("*.ogg"),
        tr("MPC Audio"),
        QStringLiteral("*.mpc;*.mpp;*.mp+"),
        tr("APE Files"),
        QStringLiteral("*.ape"),
        tr("FLAC Files"),
        QStringLiteral("*.flac;*.fla"),
        tr("AAC Files"),
        QStringLiteral("*.aac"),
        tr("WavPack Files"),
        QStringLiteral("*.wv;*.wvc"),
    }
        .join(QLatin1Char('|'));
}

void TMainDlg::AddFromOpenDialog(TToolList* list) {
    for (const QString& path : FPrompter->OpenFiles(tr("Add"), OpenDialogFilter(), false))
        list->AddFileToList(path);
}

void TMainDlg::AddFolderToList(TToolList* list) {
    const QString folder = FPrompter->BrowseFolder(tr("Add Folder"));
    if (folder.isEmpty()) return;
    emit list->FolderChosen(folder);
    list->setUpdatesEnabled(false);
    const bool recurse = AskQuestion(tr("Do you want to recurse subfolders ?"));
    ScanInto(folder, recurse, [list](const QString& path) { list->AddFileToList(path); });
    list->setUpdatesEnabled(true);
}

void TMainDlg::ScanInto(const QString& folder, bool recurse,
                        std::function<void(const QString&)> callback) {
    FFolderScan->StartFolder = folder;
    FFolderScan->Recurse = recurse;
    FFolderScan->FileCallback = std::move(callback);
    FFolderScan->ExecuteScan();
}

bool TMainDlg::ShowToolPanelByName(const QString& name) {
    for (const auto& info : PanelTable())
        if (name == QLatin1String(info.PanelName)) {
            ShowToolPanel(info.Panel);
            return true;
        }
    return false;
}

QString TMainDlg::CurrentPanelName() const {
    return QString::fromLatin1(Info(FCurrent).PanelName);
}

void TMainDlg::ShowListOperations(TToolPanel panel) {
    for (QWidget* b : FHiddenOperations.take(int(panel)))
        b->setVisible(true);
}

void TMainDlg::SetCaption(QObject* target, const char* text, bool tip) {
    FCaptions.Add(target, text, tip);
}

void TMainDlg::RetranslateUi() {
    FCaptions.Apply("TMainDlg");
    const TPanelInfo& info = Info(FCurrent);
    FTitle->setText(tr(info.Title));
    FSubtitle->setText(tr(info.Subtitle));
    if (FActiveToolBtn) SyncBarButtons();
}

void TMainDlg::langueAfterLanguageSwitch() {
    SetSizeUnits({tr("b."), tr("Kb."), tr("Mb."), tr("Gb."), tr("Tb.")});
    SetMessageBoxTitles(
        {tr("Message"), tr("Warning"), tr("Error"), tr("Question"), tr("Information")});
    RetranslateUi();
    FSettingsPage->RefreshSamples();
}

void TMainDlg::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) langueAfterLanguageSwitch();
    QMainWindow::changeEvent(e);
}

bool TMainDlg::RegisterShellEntries() {
    return platform::RegisterShellEntries(QCoreApplication::applicationFilePath(),
                                          tr("Open with Sonvale"));
}

bool TMainDlg::UnregisterShellEntries() {
    return platform::UnregisterShellEntries();
}

void TMainDlg::FillGenreBoxes() {
    for (const char* name : {"sngedgenre_txt", "trnewgenre_txt", "mltgenre_txt"}) {
        auto* box = findChild<QComboBox*>(QString::fromLatin1(name));
        if (!box) continue;
        // The boxes get the names as choices; what they show stays as it was.
        const QString shown = box->currentText();
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(Genres);
        if (box->isEditable()) {
            box->setCurrentIndex(-1);
            box->setEditText(shown);
        } else {
            box->setCurrentIndex(box->findText(shown));
        }
    }
}

void TMainDlg::AppEvntActivate() {
    // Once per program run.
    if (FActivated) return;
    FActivated = true;
    const QString exe = QCoreApplication::applicationFilePath();
    StoreExecutablePath(exe);
    setWindowTitle(QStringLiteral("Sonvale v") + platform::GetFileVersionText(exe));
    const bool showStarter = ShouldShowStarter();
    FSettingsPage->LoadSettings();
    FBurner->ResetTotal();
    Genres = SortedGenreNames();
    FillGenreBoxes();
    Fingerprints = TFingerprintScan();
    if (SingleFileEditor) SingleFileEditor->EmptyQueue();
    StartLanguages(*langue, CommandLine, *FPrompter);

    const QString arg = CommandLine.value(0);
    // A file its reader refuses raises while the editor loads it; the start-up still ends
    // (the error display shows the error and the window stays usable).
    struct TFinish {
        TMainDlg* Dlg;
        ~TFinish() {
            Dlg->FStartupDone = true;
            QMetaObject::invokeMethod(Dlg, &TMainDlg::StartupFinished, Qt::QueuedConnection);
        }
    } finish{this};
    switch (RouteCommandLine(CommandLine)) {
    case TStartRoute::Register:
        ExitCode = RegisterShellEntries() ? 0 : 1;
        ExitRequested = true;
        close();
        break;
    case TStartRoute::Unregister:
        ExitCode = UnregisterShellEntries() ? 0 : 1;
        ExitRequested = true;
        close();
        break;
    case TStartRoute::EditFile: {
        // Every file given is queued, in the order given.
        QStringList files;
        for (const QString& a : std::as_const(CommandLine))
            if (QFileInfo(a).isFile()) files.append(QFileInfo(a).absoluteFilePath());
        LoadSingleFileQueue(files);
        break;
    }
    case TStartRoute::TagFolder: {
        ShowToolPanel(TToolPanel::MultipleFiles);
        TToolList* list = ToolList(TToolPanel::MultipleFiles);
        const bool recurse = AskQuestion(tr("Do you want to recurse subfolders ?"));
        list->setUpdatesEnabled(false);
        ScanInto(QFileInfo(arg).absoluteFilePath(), recurse,
                 [list](const QString& path) { list->AddFileToList(path); });
        list->setUpdatesEnabled(true);
        break;
    }
    case TStartRoute::ShowTools:
        ShowToolPanel(TToolPanel::Tools);
        if (showStarter && StarterAllowed) FStarter->exec();
        break;
    }
}

void TMainDlg::FormDestroy() {
    Fingerprints = TFingerprintScan();
    if (SingleFileEditor) SingleFileEditor->EmptyQueue();
    Genres.clear();
}
