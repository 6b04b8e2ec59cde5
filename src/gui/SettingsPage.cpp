#include "gui/SettingsPage.h"

#include "gui/LanguageChoice.h"
#include "gui/PanelHost.h"
#include "platform/BurnProgram.h"
#include "platform/Platform.h"
#include "platform/Players.h"
#include "tools/Patterns.h"
#include "tools/SingleFileEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

const char* const kPlayerDownloadUrl = "https://larkspur-player.example/download";

namespace {

template <class T> T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A page's controls scroll when the window is small or scaled up.
QWidget* Scrolled(QGroupBox* group) {
    auto* outer = new QVBoxLayout(group);
    auto* scroll = new QScrollArea(group);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* inner = new QWidget(scroll);
    scroll->setWidget(inner);
    outer->addWidget(scroll);
    return inner;
}

QLabel* SampleLabel(QWidget* parent, const char* name) {
    auto* l = Named(new QLabel(parent), name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont f = l->font();
    f.setItalic(true);
    l->setFont(f);
    l->setForegroundRole(QPalette::PlaceholderText);
    return l;
}

const int kTagBits[] = {1, 2, 4, 8};

} // namespace

TSettingsPage::TSettingsPage(TPanelHost& owner) : FOwner(owner) {
    setObjectName(QStringLiteral("setup_pnl"));
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    setup_lst = Named(new QListWidget(this), "setup_lst");
    setup_lst->addItems({QString(), QString(), QString(), QString()});
    setup_lst->setMaximumWidth(150);
    setup_lst->setMinimumWidth(100);
    connect(setup_lst, &QListWidget::currentRowChanged, this, &TSettingsPage::setup_lstClick);
    lay->addWidget(setup_lst);

    auto* right = new QVBoxLayout;
    lay->addLayout(right, 1);
    const char* pages[][2] = {{"setupgeneral_grp", QT_TR_NOOP("General Settings")},
                              {"setupfreedb_grp", QT_TR_NOOP("FreeDB")},
                              {"setuppatterns_grp", QT_TR_NOOP("Patterns")},
                              {"setupplayback_grp", QT_TR_NOOP("Playback")}};
    for (const auto& p : pages) {
        auto* group = Named(new QGroupBox(this), p[0]);
        SetCaption(group, p[1]);
        FPages.append(group);
        right->addWidget(group, 1);
    }
    BuildGeneralPage(FPages[0]);
    BuildFreeDBPage(FPages[1]);
    BuildPatternsPage(FPages[2]);
    BuildPlaybackPage(FPages[3]);

    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch();
    auto* save = Named(new QPushButton(this), "setupsave_btn");
    save->setIcon(QIcon::fromTheme(QStringLiteral("document-save"),
                                   style()->standardIcon(QStyle::SP_DialogSaveButton)));
    SetCaption(save, QT_TR_NOOP("Save Settings"));
    SetTip(save, QT_TR_NOOP("Settings are also saved when you leave this page"));
    connect(save, &QPushButton::clicked, this, &TSettingsPage::setupsave_btnClick);
    saveRow->addWidget(save);
    right->addLayout(saveRow);

    RetranslateUi();
    FillPresets();
    setupplscralb_rdo->setChecked(true);
    setupplscralb_rdoClick();
    FOwner.Settings = ControlsToValues();
    FOwner.SettingsChangedHook = [this] { ValuesToControls(TSettingsValues(FOwner.Settings)); };
    setup_lst->setCurrentRow(0);
}

void TSettingsPage::SetCaption(QObject* target, const char* text) {
    FCaptions.Add(target, text);
}

QLabel* TSettingsPage::CaptionLabel(QWidget* parent, const char* text) {
    auto* l = new QLabel(parent);
    SetCaption(l, text);
    return l;
}

void TSettingsPage::SetTip(QWidget* target, const char* text) {
    FCaptions.Add(target, text, true);
}

QWidget* TSettingsPage::BuildGeneralPage(QGroupBox* group) {
    QWidget* page = Scrolled(group);
    auto* lay = new QVBoxLayout(page);
    disableassistant_chk = Named(new QCheckBox(page), "disableassistant_chk");
    SetCaption(disableassistant_chk, QT_TR_NOOP("Disable automatic assistant"));
    lay->addWidget(disableassistant_chk);

    auto* shell = Named(new QGroupBox(page), "setupshell_grp");
    SetCaption(shell, QT_TR_NOOP("Context menu : Open with Sonvale"));
    auto* row = new QHBoxLayout(shell);
    auto* add = Named(new QPushButton(shell), "add_btn");
    SetCaption(add, QT_TR_NOOP("Add"));
    SetTip(add, QT_TR_NOOP("Offer Sonvale in the file manager's \"Open with\" menu"));
    connect(add, &QPushButton::clicked, this, &TSettingsPage::add_btnClick);
    auto* rem = Named(new QPushButton(shell), "rem_btn");
    SetCaption(rem, QT_TR_NOOP("Remove"));
    SetTip(rem, QT_TR_NOOP("Remove Sonvale from the file manager's \"Open with\" menu"));
    connect(rem, &QPushButton::clicked, this, &TSettingsPage::rem_btnClick);
    row->addWidget(add);
    row->addWidget(rem);
    row->addStretch();
    lay->addWidget(shell);

    auto* burn = Named(new QGroupBox(page), "setupburn_grp");
    SetCaption(burn, QT_TR_NOOP("Burning program"));
    auto* burnRow = new QHBoxLayout(burn);
    setupburn_txt = Named(new QLineEdit(burn), "setupburn_txt");
    const QList<platform::TBurnProgram> found = platform::DetectBurningPrograms();
    if (!found.isEmpty()) FFoundBurner = found.first().Name;
    SetTip(setupburn_txt, QT_TR_NOOP("Burnhaven's folder or program, or a command line in which "
                                     "\"%1\" stands for the compilation file"));
    auto* burnBrowse = Named(new QPushButton(burn), "setupburnbrowse_btn");
    SetCaption(burnBrowse, QT_TR_NOOP("Browse"));
    connect(burnBrowse, &QPushButton::clicked, this, &TSettingsPage::setupburnbrowse_btnClick);
    connect(setupburn_txt, &QLineEdit::textChanged, this, &TSettingsPage::SyncValues);
    burnRow->addWidget(setupburn_txt, 1);
    burnRow->addWidget(burnBrowse);
    lay->addWidget(burn);

    auto* language = Named(new QGroupBox(page), "setuplanguage_grp");
    SetCaption(language, QT_TR_NOOP("Language"));
    auto* languageLay = new QVBoxLayout(language);
    setuplanguage_lng = Named(new TLanguageChoice(language), "setuplanguage_lng");
    languageLay->addWidget(setuplanguage_lng);
    lay->addWidget(language, 1);
    connect(disableassistant_chk, &QCheckBox::toggled, this, &TSettingsPage::SyncValues);
    return page;
}

QWidget* TSettingsPage::BuildFreeDBPage(QGroupBox* group) {
    QWidget* page = Scrolled(group);
    auto* form = new QFormLayout(page);
    setupfreedbserver_cmb = Named(new QComboBox(page), "setupfreedbserver_cmb");
    setupfreedbcgi_txt = Named(new QLineEdit(page), "setupfreedbcgi_txt");
    setupfreedbproxy_chk = Named(new QCheckBox(page), "setupfreedbproxy_chk");
    SetCaption(setupfreedbproxy_chk, QT_TR_NOOP("Use proxy"));
    setupfreedbproxyserver_txt = Named(new QLineEdit(page), "setupfreedbproxyserver_txt");
    setupfreedbproxyport_txt = Named(new QSpinBox(page), "setupfreedbproxyport_txt");
    setupfreedbproxyport_txt->setRange(0, 65535);
    setupfreedbproxyport_txt->setButtonSymbols(QAbstractSpinBox::NoButtons);
    setupfreedbproxyport_txt->setValue(80);
    setupfreedbproxyname_txt = Named(new QLineEdit(page), "setupfreedbproxyname_txt");
    setupfreedbproxypass_txt = Named(new QLineEdit(page), "setupfreedbproxypass_txt");
    setupfreedbproxypass_txt->setEchoMode(QLineEdit::Password);
    setupfreedbcgi_txt->setText(QStringLiteral("/~cddb/cddb.cgi"));
    setupfreedbemail_txt = Named(new QLineEdit(page), "setupfreedbemail_txt");
    setupfreedbsite_txt = Named(new QLineEdit(page), "setupfreedbsite_txt");
    setupfreedbsite_txt->setText(QStringLiteral("www.freedb.org"));
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Server :")), setupfreedbserver_cmb);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("CGI path :")), setupfreedbcgi_txt);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Your e-mail :")), setupfreedbemail_txt);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Search site :")), setupfreedbsite_txt);
    form->addRow(setupfreedbproxy_chk);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Proxy server :")), setupfreedbproxyserver_txt);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Proxy port :")), setupfreedbproxyport_txt);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("User name :")), setupfreedbproxyname_txt);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Password :")), setupfreedbproxypass_txt);
    SetTip(setupfreedbserver_cmb, QT_TR_NOOP("Servers listed in freedb.lst"));

    auto proxyFields = [this] {
        const bool on = setupfreedbproxy_chk->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(setupfreedbproxyserver_txt),
                           static_cast<QWidget*>(setupfreedbproxyport_txt),
                           static_cast<QWidget*>(setupfreedbproxyname_txt),
                           static_cast<QWidget*>(setupfreedbproxypass_txt)})
            w->setEnabled(on);
    };
    connect(setupfreedbproxy_chk, &QCheckBox::toggled, this, proxyFields);
    proxyFields();
    connect(setupfreedbserver_cmb, &QComboBox::currentIndexChanged, this,
            &TSettingsPage::SyncValues);
    connect(setupfreedbproxy_chk, &QCheckBox::toggled, this, &TSettingsPage::SyncValues);
    connect(setupfreedbproxyport_txt, &QSpinBox::valueChanged, this, &TSettingsPage::SyncValues);
    for (QLineEdit* e :
         {setupfreedbcgi_txt, setupfreedbemail_txt, setupfreedbsite_txt, setupfreedbproxyserver_txt,
          setupfreedbproxyname_txt, setupfreedbproxypass_txt})
        connect(e, &QLineEdit::textChanged, this, &TSettingsPage::SyncValues);
    return page;
}

QComboBox* TSettingsPage::AddPatternBox(QWidget* parent, const char* name, const QString& keep,
                                        const QString& skip, QLabel** sample) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr); // a pattern is typed freely, not completed to a preset
    box->lineEdit()->installEventFilter(this);
    const QString sampleName =
        QString::fromLatin1(name).replace(QStringLiteral("_cmb"), QStringLiteral("sample_lbl"));
    *sample = SampleLabel(parent, "");
    (*sample)->setObjectName(sampleName);
    FPatterns.append({box, *sample, keep, skip});
    const qsizetype index = FPatterns.size() - 1;
    connect(box, &QComboBox::editTextChanged, this, [this, index] {
        PatternChanged(FPatterns[index]);
        SyncValues();
    });
    SetTip(box, QT_TR_NOOP("Type a pattern or choose one; the placeholders are listed below"));
    return box;
}

QWidget* TSettingsPage::BuildPatternsPage(QGroupBox* group) {
    QWidget* page = Scrolled(group);
    auto* lay = new QVBoxLayout(page);
    QLabel* sample = nullptr;

    auto* ren = Named(new QGroupBox(page), "setuprenamer_grp");
    SetCaption(ren, QT_TR_NOOP("Album renamer"));
    auto* renForm = new QFormLayout(ren);
    setuprenpattern_cmb = AddPatternBox(ren, "setuprenpattern_cmb", QString(), QString(), &sample);
    renForm->addRow(CaptionLabel(ren, QT_TR_NOOP("File name pattern :")), setuprenpattern_cmb);
    renForm->addRow(QString(), sample);
    auto* kinds = new QHBoxLayout;
    setuprenid3v1_chk = Named(new QCheckBox(QStringLiteral("ID3v1"), ren), "setuprenid3v1_chk");
    setuprenid3v2_chk = Named(new QCheckBox(QStringLiteral("ID3v2"), ren), "setuprenid3v2_chk");
    setuprenapev2_chk = Named(new QCheckBox(QStringLiteral("APEv2"), ren), "setuprenapev2_chk");
    setuprenvorbis_chk = Named(new QCheckBox(ren), "setuprenvorbis_chk");
    SetCaption(setuprenvorbis_chk, QT_TR_NOOP("Vorbis comments"));
    for (QCheckBox* c :
         {setuprenid3v1_chk, setuprenid3v2_chk, setuprenapev2_chk, setuprenvorbis_chk}) {
        c->setChecked(true);
        kinds->addWidget(c);
        connect(c, &QCheckBox::toggled, this, &TSettingsPage::SyncValues);
    }
    kinds->addStretch();
    renForm->addRow(CaptionLabel(ren, QT_TR_NOOP("Tags to write :")), kinds);
    lay->addWidget(ren);

    auto* pls = Named(new QGroupBox(page), "setupplaylist_grp");
    SetCaption(pls, QT_TR_NOOP("Album playlist"));
    auto* plsForm = new QFormLayout(pls);
    setupplspattern_cmb =
        AddPatternBox(pls, "setupplspattern_cmb", QString(), kPlaylistPatternSkip, &sample);
    plsForm->addRow(CaptionLabel(pls, QT_TR_NOOP("Playlist name pattern :")), setupplspattern_cmb);
    plsForm->addRow(QString(), sample);
    setupplsrelative_chk = Named(new QCheckBox(pls), "setupplsrelative_chk");
    SetCaption(setupplsrelative_chk, QT_TR_NOOP("Use relative  paths"));
    plsForm->addRow(setupplsrelative_chk);
    setupplscralb_rdo = Named(new QRadioButton(pls), "setupplscralb_rdo");
    SetCaption(setupplscralb_rdo, QT_TR_NOOP("Create playlist in album's folder"));
    setupplscrparent_rdo = Named(new QRadioButton(pls), "setupplscrparent_rdo");
    SetCaption(setupplscrparent_rdo,
               QT_TR_NOOP("Create playlist in parent's folder (if possible)"));
    setupplscrfolder_rdo = Named(new QRadioButton(pls), "setupplscrfolder_rdo");
    SetCaption(setupplscrfolder_rdo, QT_TR_NOOP("Create playlist in the following folder :"));
    plsForm->addRow(setupplscralb_rdo);
    plsForm->addRow(setupplscrparent_rdo);
    plsForm->addRow(setupplscrfolder_rdo);
    auto* folderRow = new QHBoxLayout;
    setupplscrfolder_txt = Named(new QLineEdit(pls), "setupplscrfolder_txt");
    setupplscrfolder_txt->setReadOnly(true);
    setupplscrbrowse_btn = Named(new QPushButton(pls), "setupplscrbrowse_btn");
    SetCaption(setupplscrbrowse_btn, QT_TR_NOOP("Browse"));
    SetTip(setupplscrbrowse_btn, QT_TR_NOOP("Choose the folder for album playlists"));
    folderRow->addWidget(setupplscrfolder_txt, 1);
    folderRow->addWidget(setupplscrbrowse_btn);
    plsForm->addRow(folderRow);
    for (QRadioButton* r : {setupplscralb_rdo, setupplscrparent_rdo, setupplscrfolder_rdo})
        connect(r, &QRadioButton::toggled, this, [this] {
            setupplscralb_rdoClick();
            SyncValues();
        });
    connect(setupplscrbrowse_btn, &QPushButton::clicked, this,
            &TSettingsPage::setupplscrbrowse_btnClick);
    connect(setupplsrelative_chk, &QCheckBox::toggled, this, &TSettingsPage::SyncValues);
    connect(setupplscrfolder_txt, &QLineEdit::textChanged, this, &TSettingsPage::SyncValues);
    lay->addWidget(pls);

    auto* org = Named(new QGroupBox(page), "setuporganizer_grp");
    SetCaption(org, QT_TR_NOOP("Organizer"));
    auto* orgForm = new QFormLayout(org);
    auto* baseRow = new QHBoxLayout;
    setuporgbasedir_txt = Named(new QLineEdit(org), "setuporgbasedir_txt");
    setuporgbasedir_txt->setReadOnly(true);
    auto* orgBrowse = Named(new QPushButton(org), "setuporgbrowse_btn");
    SetCaption(orgBrowse, QT_TR_NOOP("Browse"));
    SetTip(orgBrowse, QT_TR_NOOP("Choose the folder the organizer moves files into"));
    connect(orgBrowse, &QPushButton::clicked, this, &TSettingsPage::setuporgbrowse_btnClick);
    connect(setuporgbasedir_txt, &QLineEdit::textChanged, this, &TSettingsPage::SyncValues);
    baseRow->addWidget(setuporgbasedir_txt, 1);
    baseRow->addWidget(orgBrowse);
    orgForm->addRow(CaptionLabel(org, QT_TR_NOOP("Base folder :")), baseRow);
    setuporgrenpattern_cmb =
        AddPatternBox(org, "setuporgrenpattern_cmb", QString(), QString(), &sample);
    orgForm->addRow(CaptionLabel(org, QT_TR_NOOP("File name pattern :")), setuporgrenpattern_cmb);
    orgForm->addRow(QString(), sample);
    setuporgsubdirpattern_cmb = AddPatternBox(org, "setuporgsubdirpattern_cmb",
                                              QStringLiteral("\\"), kSubfolderPatternSkip, &sample);
    orgForm->addRow(CaptionLabel(org, QT_TR_NOOP("Subfolder pattern :")),
                    setuporgsubdirpattern_cmb);
    orgForm->addRow(QString(), sample);
    lay->addWidget(org);

    auto* help = new QGridLayout;
    const char* placeholders[] = {QT_TR_NOOP("%1 : Artist"), QT_TR_NOOP("%2 : Track Name"),
                                  QT_TR_NOOP("%3 : Album"),  QT_TR_NOOP("%4 : Year"),
                                  QT_TR_NOOP("%5 : Genre"),  QT_TR_NOOP("%6 : Track Number")};
    for (int i = 0; i < 6; ++i)
        help->addWidget(CaptionLabel(page, placeholders[i]), i / 3, i % 3);
    lay->addLayout(help);
    lay->addStretch();
    return page;
}

QWidget* TSettingsPage::BuildPlaybackPage(QGroupBox* group) {
    QWidget* page = Scrolled(group);
    auto* form = new QFormLayout(page);
    auto* autoRow = new QHBoxLayout;
    setupplauto_cmb = Named(new QComboBox(page), "setupplauto_cmb");
    auto* use = Named(new QPushButton(page), "setupplauto_btn");
    SetCaption(use, QT_TR_NOOP("Use"));
    SetTip(use, QT_TR_NOOP("Use the detected player's command line"));
    connect(use, &QPushButton::clicked, this, &TSettingsPage::setupplauto_btnClick);
    autoRow->addWidget(setupplauto_cmb, 1);
    autoRow->addWidget(use);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Detected players :")), autoRow);
    setupplcmd_cmb = Named(new QComboBox(page), "setupplcmd_cmb");
    setupplcmd_cmb->setEditable(true);
    setupplcmd_cmb->setInsertPolicy(QComboBox::NoInsert);
    SetTip(setupplcmd_cmb, QT_TR_NOOP("\"%1\" stands for the file to play"));
    connect(setupplcmd_cmb, &QComboBox::editTextChanged, this, &TSettingsPage::SyncValues);
    form->addRow(CaptionLabel(page, QT_TR_NOOP("Command line :")), setupplcmd_cmb);
    auto* note = CaptionLabel(
        page, QT_TR_NOOP("\"%1\" stands for the file. Left empty, \"Play\" opens the file with "
                         "the desktop's default application."));
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    form->addRow(QString(), note);
    auto* download = Named(new QPushButton(page), "setupdownload_btn");
    SetCaption(download, QT_TR_NOOP("Download Larkspur Player [Recommended Player]"));
    connect(download, &QPushButton::clicked, this, &TSettingsPage::setupdownload_btnClick);
    auto* downloadRow = new QHBoxLayout;
    downloadRow->addWidget(download);
    downloadRow->addStretch();
    form->addRow(downloadRow);
    // "Use" has something to copy only while a player was detected.
    connect(setupplauto_cmb, &QComboBox::currentIndexChanged, use,
            [this, use] { use->setEnabled(setupplauto_cmb->currentIndex() >= 0); });
    use->setEnabled(false);
    return page;
}

void TSettingsPage::RetranslateUi() {
    const char* pages[] = {QT_TR_NOOP("General"), QT_TR_NOOP("FreeDB"), QT_TR_NOOP("Patterns"),
                           QT_TR_NOOP("Playback")};
    for (int i = 0; i < 4; ++i)
        setup_lst->item(i)->setText(tr(pages[i]));
    FCaptions.Apply("TSettingsPage");
    if (!FFoundBurner.isEmpty())
        setupburn_txt->setPlaceholderText(
            tr("Not set; %1 was found on this system").arg(FFoundBurner));
    RefreshSamples();
}

void TSettingsPage::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    QWidget::changeEvent(e);
}

bool TSettingsPage::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        for (const TPatternBox& p : FPatterns)
            if (watched == p.Box->lineEdit()) {
                // A character a file name may not hold is refused as it is typed.
                const QString text = static_cast<QKeyEvent*>(e)->text();
                if (!text.isEmpty() && SanitizeFileName(text, p.Keep) != text) return true;
            }
    }
    return QWidget::eventFilter(watched, e);
}

void TSettingsPage::PatternChanged(TPatternBox& p) {
    const QString text = p.Box->currentText();
    const QString clean = SanitizeFileName(text, p.Keep);
    if (clean != text) {
        // Pasted or stored text: the box keeps only what a name may hold.
        const int cursor = p.Box->lineEdit()->cursorPosition();
        const int removedBefore =
            int(text.left(cursor).size() - SanitizeFileName(text.left(cursor), p.Keep).size());
        const QSignalBlocker block(p.Box);
        p.Box->setEditText(clean);
        p.Box->lineEdit()->setCursorPosition(cursor - removedBefore);
    }
    p.Sample->setText(PatternSample(clean, p.Skip, tr("Artist"), tr("Album"), tr("Track Name")));
}

void TSettingsPage::RefreshSamples() {
    for (TPatternBox& p : FPatterns)
        PatternChanged(p);
}

void TSettingsPage::FillPresets() {
    const QStringList presets[] = {RenamePatternPresets(), PlaylistPatternPresets(),
                                   OrganizerRenamePatternPresets(),
                                   OrganizerSubfolderPatternPresets()};
    QComboBox* boxes[] = {setuprenpattern_cmb, setupplspattern_cmb, setuporgrenpattern_cmb,
                          setuporgsubdirpattern_cmb};
    for (int i = 0; i < 4; ++i) {
        boxes[i]->clear();
        boxes[i]->addItems(presets[i]);
        boxes[i]->setCurrentIndex(0);
    }
}

void TSettingsPage::SyncValues() {
    if (!FLoading) FOwner.Settings = ControlsToValues();
}

TSettingsValues TSettingsPage::ControlsToValues() const {
    // Values without a control here (the lookup's last source) stay as the tools left them.
    TSettingsValues v = FOwner.Settings;
    v.FreeDBServers.clear();
    for (int i = 0; i < setupfreedbserver_cmb->count(); ++i)
        v.FreeDBServers.append(setupfreedbserver_cmb->itemText(i));
    v.FreeDBServerIndex = setupfreedbserver_cmb->currentIndex();
    v.FreeDBCGIPath = setupfreedbcgi_txt->text();
    v.FreeDBUseProxy = setupfreedbproxy_chk->isChecked();
    v.FreeDBProxyServer = setupfreedbproxyserver_txt->text();
    v.FreeDBProxyPort = setupfreedbproxyport_txt->value();
    v.FreeDBProxyName = setupfreedbproxyname_txt->text();
    v.FreeDBProxyPass = setupfreedbproxypass_txt->text();
    v.FreeDBEmail = setupfreedbemail_txt->text().trimmed();
    v.FreeDBSearchSite = setupfreedbsite_txt->text().trimmed();
    v.DisableAssistant = disableassistant_chk->isChecked();
    v.RenamePattern = setuprenpattern_cmb->currentText();
    v.RenameTagMask = 0;
    const QCheckBox* kinds[] = {setuprenid3v1_chk, setuprenid3v2_chk, setuprenapev2_chk,
                                setuprenvorbis_chk};
    for (int i = 0; i < 4; ++i)
        if (kinds[i]->isChecked()) v.RenameTagMask += kTagBits[i];
    v.PlaylistRelative = setupplsrelative_chk->isChecked();
    v.PlaylistPattern = setupplspattern_cmb->currentText();
    v.PlaylistDirMode = setupplscrfolder_rdo->isChecked()   ? 2
                        : setupplscrparent_rdo->isChecked() ? 1
                                                            : 0;
    v.PlaylistUserDefinedDir = setupplscrfolder_txt->text();
    v.OrganizerBaseDir = setuporgbasedir_txt->text();
    v.OrganizerRenamePattern = setuporgrenpattern_cmb->currentText();
    v.OrganizerSubDirPattern = setuporgsubdirpattern_cmb->currentText();
    v.PlaybackCommandLine = setupplcmd_cmb->currentText();
    v.Burnhaven = setupburn_txt->text();
    return v;
}

void TSettingsPage::ValuesToControls(const TSettingsValues& v) {
    const bool wasLoading = FLoading;
    FLoading = true;
    FOwner.Settings = v;
    setupfreedbserver_cmb->clear();
    setupfreedbserver_cmb->addItems(v.FreeDBServers);
    setupfreedbserver_cmb->setCurrentIndex(v.FreeDBServerIndex >= 0 &&
                                                   v.FreeDBServerIndex < v.FreeDBServers.size()
                                               ? v.FreeDBServerIndex
                                               : (v.FreeDBServers.isEmpty() ? -1 : 0));
    setupfreedbcgi_txt->setText(v.FreeDBCGIPath);
    setupfreedbproxy_chk->setChecked(v.FreeDBUseProxy);
    setupfreedbproxyserver_txt->setText(v.FreeDBProxyServer);
    setupfreedbproxyport_txt->setValue(v.FreeDBProxyPort);
    setupfreedbproxyname_txt->setText(v.FreeDBProxyName);
    setupfreedbproxypass_txt->setText(v.FreeDBProxyPass);
    setupfreedbemail_txt->setText(v.FreeDBEmail);
    setupfreedbsite_txt->setText(v.FreeDBSearchSite);
    disableassistant_chk->setChecked(v.DisableAssistant);
    setuprenpattern_cmb->setEditText(v.RenamePattern);
    QCheckBox* kinds[] = {setuprenid3v1_chk, setuprenid3v2_chk, setuprenapev2_chk,
                          setuprenvorbis_chk};
    for (int i = 0; i < 4; ++i)
        kinds[i]->setChecked((v.RenameTagMask & kTagBits[i]) != 0);
    setupplsrelative_chk->setChecked(v.PlaylistRelative);
    setupplspattern_cmb->setEditText(v.PlaylistPattern);
    (v.PlaylistDirMode == 2   ? setupplscrfolder_rdo
     : v.PlaylistDirMode == 1 ? setupplscrparent_rdo
                              : setupplscralb_rdo)
        ->setChecked(true);
    setupplscralb_rdoClick();
    setupplscrfolder_txt->setText(v.PlaylistUserDefinedDir);
    setuporgbasedir_txt->setText(v.OrganizerBaseDir);
    setuporgrenpattern_cmb->setEditText(v.OrganizerRenamePattern);
    setuporgsubdirpattern_cmb->setEditText(v.OrganizerSubDirPattern);
    setupplcmd_cmb->setEditText(v.PlaybackCommandLine);
    setupburn_txt->setText(v.Burnhaven);
    FLoading = wasLoading;
    SyncValues();
}

void TSettingsPage::LoadSettings() {
    FLoading = true;
    FillPresets();
    const QString serverFile = QDir(platform::DataFolder()).filePath(QStringLiteral("freedb.lst"));
    if (QFileInfo::exists(serverFile)) {
        setupfreedbserver_cmb->clear();
        setupfreedbserver_cmb->addItems(platform::ReadServerList(serverFile));
    }
    auto store = platform::OpenSettings();
    if (store->status() != QSettings::AccessError) {
        TSettingsValues v;
        for (int i = 0; i < setupfreedbserver_cmb->count(); ++i)
            v.FreeDBServers.append(setupfreedbserver_cmb->itemText(i));
        LoadSettingsValues(*store, v);
        ValuesToControls(v);
    }
    FLoading = false;
    SyncValues();
}

void TSettingsPage::SaveSettings() {
    SyncValues();
    auto store = platform::OpenSettings();
    if (!store->isWritable() || store->status() == QSettings::AccessError) return;
    SaveSettingsValues(*store, ControlsToValues());
}

void TSettingsPage::ShowEntry() {
    setup_lst->setCurrentRow(0);
    setup_lstClick();
    DetectPlayers();
}

void TSettingsPage::setup_lstClick() {
    const int row = setup_lst->currentRow();
    if (row < 0 || row >= FPages.size()) return;
    for (int i = 0; i < FPages.size(); ++i)
        FPages[i]->setVisible(i == row);
}

void TSettingsPage::AttachLanguageList(TLangList& langue) {
    setuplanguage_lng->SetLangList(&langue);
}

void TSettingsPage::setupsave_btnClick() {
    SaveSettings();
}

namespace {
QString WithTrailingSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}
} // namespace

void TSettingsPage::setuporgbrowse_btnClick() {
    const QString folder = FOwner.Prompter().BrowseFolder(tr("Base folder :"));
    if (!folder.isEmpty()) setuporgbasedir_txt->setText(WithTrailingSeparator(folder));
}

void TSettingsPage::setupplscrbrowse_btnClick() {
    const QString folder =
        FOwner.Prompter().BrowseFolder(tr("Create playlist in the following folder :"));
    if (!folder.isEmpty()) setupplscrfolder_txt->setText(WithTrailingSeparator(folder));
}

void TSettingsPage::setupplscralb_rdoClick() {
    const bool given = setupplscrfolder_rdo->isChecked();
    setupplscrfolder_txt->setEnabled(given);
    setupplscrbrowse_btn->setEnabled(given);
}

void TSettingsPage::DetectPlayers() {
    setupplauto_cmb->clear();
    // The command-line list is rebuilt in step with the detected players, so index k of
    // both stays the same player; the typed command line stays as it is.
    const QString typed = setupplcmd_cmb->currentText();
    {
        const QSignalBlocker block(setupplcmd_cmb);
        setupplcmd_cmb->clear();
        const QString program = platform::RecommendedPlayerProgram();
        if (!program.isEmpty()) {
            setupplauto_cmb->addItem(QStringLiteral("Larkspur Player"));
            setupplcmd_cmb->addItem(QLatin1Char('"') + program + QStringLiteral("\" \"%1\""));
        }
        // Then what this system has: the desktop's choice for audio files, common players.
        for (const platform::TPlayer& p : platform::DetectSystemPlayers()) {
            setupplauto_cmb->addItem(p.DesktopDefault ? tr("%1 (desktop default)").arg(p.Name)
                                                      : p.Name);
            setupplcmd_cmb->addItem(p.CommandLine);
        }
        setupplcmd_cmb->setEditText(typed);
    }
    if (setupplauto_cmb->count() > 0) setupplauto_cmb->setCurrentIndex(0);
}

void TSettingsPage::setupplauto_btnClick() {
    const int k = setupplauto_cmb->currentIndex();
    if (k >= 0 && k < setupplcmd_cmb->count()) setupplcmd_cmb->setCurrentIndex(k);
    SyncValues();
}

void TSettingsPage::setupburnbrowse_btnClick() {
    const QStringList chosen = FOwner.Prompter().OpenFiles(tr("Burning program"), QString(), false);
    if (!chosen.isEmpty()) setupburn_txt->setText(chosen.first());
}

bool TSettingsPage::PlayFile(const QString& path) {
    return PlaySingleFile(setupplcmd_cmb->currentText(), path);
}

void TSettingsPage::setupdownload_btnClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kPlayerDownloadUrl)));
}

void TSettingsPage::add_btnClick() {
    FOwner.RegisterShellEntries();
}

void TSettingsPage::rem_btnClick() {
    FOwner.UnregisterShellEntries();
}
