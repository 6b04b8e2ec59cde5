#include "gui/SingleEdPanel.h"

#include "gui/PanelHost.h"
#include "gui/QueueEditorDlg.h"
#include "tags/Id3v1Tag.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kUnsaved = "Some modifications have not been saved. Continue anyway ?";

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), qApp->style()->standardIcon(fallback));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TSingleEdPanel::TSingleEdPanel(TPanelHost* owner)
    : QWidget(owner->Panel(TToolPanel::SingleFile)), FOwner(owner) {
    setObjectName(QStringLiteral("singleed_ctl"));
    BuildControls();
    if (QVBoxLayout* lay = owner->PanelLayout(TToolPanel::SingleFile)) lay->addWidget(this, 1);
    owner->SingleFileModifiedHook = [this] { return FModified; };
}

void TSingleEdPanel::BuildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* pathRow = new QHBoxLayout;
    auto* pathLabel = new QLabel(tr("File :"), this);
    sngedpath_txt = new QLineEdit(this);
    sngedpath_txt->setObjectName(QStringLiteral("sngedpath_txt"));
    sngedpath_txt->setReadOnly(true);
    pathLabel->setBuddy(sngedpath_txt);
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(sngedpath_txt, 1);
    outer->addLayout(pathRow);

    auto* middle = new QHBoxLayout;
    outer->addLayout(middle, 1);

    // The seven fields.
    auto* tagGroup = new QGroupBox(tr("Tag"), this);
    tagGroup->setObjectName(QStringLiteral("sngedtag_grp"));
    auto* form = new QFormLayout(tagGroup);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto lineEdit = [&](const char* name, int maxLength) {
        auto* e = new QLineEdit(tagGroup);
        e->setObjectName(QString::fromLatin1(name));
        if (maxLength > 0) e->setMaxLength(maxLength);
        return e;
    };
    sngedartist_txt = lineEdit("sngedartist_txt", 0);
    sngedtitle_txt = lineEdit("sngedtitle_txt", 0);
    sngedalbum_txt = lineEdit("sngedalbum_txt", 0);
    sngedyear_txt = lineEdit("sngedyear_txt", 4);
    sngedtrack_txt = lineEdit("sngedtrack_txt", 2);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    sngedyear_txt->setFixedWidth(digit * 7 + 12);
    sngedtrack_txt->setFixedWidth(digit * 5 + 12);

    sngedgenre_txt = new QComboBox(tagGroup);
    sngedgenre_txt->setObjectName(QStringLiteral("sngedgenre_txt"));
    sngedgenre_txt->setEditable(true);
    sngedgenre_txt->setInsertPolicy(QComboBox::NoInsert);
    sngedgenre_txt->setMaxVisibleItems(20);
    sngedgenre_txt->addItems(SortedGenreNames());
    sngedgenre_txt->setCurrentIndex(-1);

    sngedcomments_txt = new QPlainTextEdit(tagGroup);
    sngedcomments_txt->setObjectName(QStringLiteral("sngedcomments_txt"));
    sngedcomments_txt->setTabChangesFocus(true);
    sngedcomments_txt->setMinimumHeight(fontMetrics().lineSpacing() * 4 + 12);

    form->addRow(tr("Artist :"), sngedartist_txt);
    form->addRow(tr("Title :"), sngedtitle_txt);
    form->addRow(tr("Album :"), sngedalbum_txt);
    auto* yearTrack = new QHBoxLayout;
    yearTrack->addWidget(sngedyear_txt);
    yearTrack->addSpacing(digit * 2);
    auto* trackLabel = new QLabel(tr("Track :"), tagGroup);
    trackLabel->setBuddy(sngedtrack_txt);
    yearTrack->addWidget(trackLabel);
    yearTrack->addWidget(sngedtrack_txt);
    yearTrack->addStretch();
    form->addRow(tr("Year :"), yearTrack);
    form->addRow(tr("Genre :"), sngedgenre_txt);
    form->addRow(tr("Comments :"), sngedcomments_txt);
    middle->addWidget(tagGroup, 3);

    // Properties and the tag kinds the file carries.
    auto* side = new QVBoxLayout;
    middle->addLayout(side, 2);
    auto* props = new QGroupBox(tr("Properties"), this);
    props->setObjectName(QStringLiteral("sngedprops_grp"));
    auto* propsLay = new QVBoxLayout(props);
    auto propLabel = [&](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, props);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        propsLay->addWidget(l);
        return l;
    };
    sngedsize_lbl = propLabel("sngedsize_lbl", SizeCaption());
    sngedbitrate_lbl = propLabel("sngedbitrate_lbl", BitRateCaption());
    sngedsamplerate_lbl = propLabel("sngedsamplerate_lbl", SampleRateCaption());
    sngedduration_lbl = propLabel("sngedduration_lbl", DurationCaption());
    side->addWidget(props);

    auto* kinds = new QGridLayout;
    struct TKindSpec {
        const char* Group;
        const char* Caption;
        const char* Label;
        const char* Add;
        const char* Del;
        void (TSingleEdPanel::*AddSlot)();
        void (TSingleEdPanel::*DelSlot)();
        QLabel** Target;
    };
    const TKindSpec specs[] = {
        {"sngedid3v1_grp", "ID3v1", "sngedid3v1_lbl", "sngedid3v1add_btn", "sngedid3v1del_btn",
         &TSingleEdPanel::sngedid3v1add_btnClick, &TSingleEdPanel::sngedid3v1del_btnClick,
         &sngedid3v1_lbl},
        {"sngedid3v2_grp", "ID3v2", "sngedid3v2_lbl", "sngedid3v2add_btn", "sngedid3v2del_btn",
         &TSingleEdPanel::sngedid3v2add_btnClick, &TSingleEdPanel::sngedid3v2del_btnClick,
         &sngedid3v2_lbl},
        {"sngedapev2_grp", "APEv2", "sngedapev2_lbl", "sngedapev2add_btn", "sngedapev2del_btn",
         &TSingleEdPanel::sngedapev2add_btnClick, &TSingleEdPanel::sngedapev2del_btnClick,
         &sngedapev2_lbl},
        {"sngedvorbis_grp", "vorbis comments", "sngedvorbis_lbl", "sngedvorbisadd_btn",
         "sngedvorbisdel_btn", &TSingleEdPanel::sngedvorbisadd_btnClick,
         &TSingleEdPanel::sngedvorbisdel_btnClick, &sngedvorbis_lbl},
    };
    const QIcon addIcon = ThemeIcon("document-save", QStyle::SP_DialogSaveButton);
    const QIcon delIcon = ThemeIcon("edit-delete", QStyle::SP_TrashIcon);
    int index = 0;
    for (const TKindSpec& s : specs) {
        auto* group = new QGroupBox(tr(s.Caption), this);
        group->setObjectName(QString::fromLatin1(s.Group));
        auto* lay = new QHBoxLayout(group);
        auto* label = new QLabel(tr("Not found"), group);
        label->setObjectName(QString::fromLatin1(s.Label));
        *s.Target = label;
        lay->addWidget(label, 1);
        auto tool = [&](const char* name, const QIcon& icon, const QString& tip,
                        void (TSingleEdPanel::*slot)()) {
            auto* b = new QToolButton(group);
            b->setObjectName(QString::fromLatin1(name));
            b->setIcon(icon);
            b->setToolTip(tip);
            b->setAccessibleName(tip);
            b->setAutoRaise(true);
            connect(b, &QToolButton::clicked, this, slot);
            lay->addWidget(b);
        };
        // Icons alone: the tooltip and the name a screen reader says tell which tag.
        tool(s.Add, addIcon, tr("Write the fields as the %1 tag").arg(tr(s.Caption)), s.AddSlot);
        tool(s.Del, delIcon, tr("Remove the %1 tag from the file").arg(tr(s.Caption)), s.DelSlot);
        kinds->addWidget(group, index / 2, index % 2);
        ++index;
    }
    side->addLayout(kinds);
    side->addStretch();

    // Actions on the file.
    auto* actions = new QHBoxLayout;
    auto* open = MakeButton(this, "sngedopen_btn", tr("&Open…"));
    open->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
    open->setToolTip(tr("Open audio files and put them in the queue (Ctrl+O)"));
    connect(open, &QPushButton::clicked, this, &TSingleEdPanel::sngedopen_btnClick);
    // Only while the editor is shown: a shortcut of a hidden panel does not fire.
    auto* openKey = new QShortcut(QKeySequence::Open, this);
    connect(openKey, &QShortcut::activated, this, &TSingleEdPanel::sngedopen_btnClick);
    auto* update = MakeButton(this, "sngedupdate_btn", tr("&Update"));
    update->setIcon(ThemeIcon("document-save", QStyle::SP_DialogSaveButton));
    connect(update, &QPushButton::clicked, this, &TSingleEdPanel::sngedupdate_btnClick);
    auto* remove = MakeButton(this, "sngedremove_btn", tr("Remo&ve Tag"));
    remove->setIcon(ThemeIcon("edit-delete", QStyle::SP_TrashIcon));
    connect(remove, &QPushButton::clicked, this, &TSingleEdPanel::sngedremove_btnClick);
    auto* reload = MakeButton(this, "sngedreload_btn", tr("&Reload"));
    reload->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload));
    connect(reload, &QPushButton::clicked, this, &TSingleEdPanel::sngedreload_btnClick);
    auto* play = MakeButton(this, "sndedplayback_btn", tr("&Play"));
    play->setIcon(ThemeIcon("media-playback-start", QStyle::SP_MediaPlay));
    connect(play, &QPushButton::clicked, this, &TSingleEdPanel::sndedplayback_btnClick);
    actions->addWidget(open);
    actions->addWidget(update);
    actions->addWidget(remove);
    actions->addWidget(reload);
    actions->addStretch();
    actions->addWidget(play);
    outer->addLayout(actions);

    // The queue.
    auto* queueRow = new QHBoxLayout;
    auto* queue = MakeButton(this, "sngedqueue_btn", tr("&Queue Editor"));
    connect(queue, &QPushButton::clicked, this, &TSingleEdPanel::sngedqueue_btnClick);
    auto* prev = MakeButton(this, "sngedqueueprev_btn", QStringLiteral("<<<"));
    connect(prev, &QPushButton::clicked, this, &TSingleEdPanel::sngedqueueprev_btnClick);
    auto* next = MakeButton(this, "sngedqueuenext_btn", QStringLiteral(">>>"));
    connect(next, &QPushButton::clicked, this, &TSingleEdPanel::sngedqueuenext_btnClick);
    sngedqueue_lbl = new QLabel(tr("Empty Queue"), this);
    sngedqueue_lbl->setObjectName(QStringLiteral("sngedqueue_lbl"));
    sngedqueue_lbl->setAlignment(Qt::AlignCenter);
    sngedqueue_lbl->setMinimumWidth(fontMetrics().horizontalAdvance(tr("Empty Queue")) + 16);
    snged_prg = new QProgressBar(this);
    snged_prg->setObjectName(QStringLiteral("snged_prg"));
    snged_prg->setTextVisible(false);
    SetProgress(0, 0);
    queueRow->addWidget(queue);
    queueRow->addWidget(prev);
    queueRow->addWidget(sngedqueue_lbl);
    queueRow->addWidget(next);
    queueRow->addWidget(snged_prg, 1);
    outer->addLayout(queueRow);

    // Any key press in a field counts as a modification, and so do edits made with the
    // mouse alone (a genre picked from the list, text pasted from the context menu).
    const QList<QWidget*> editable = {sngedartist_txt,  sngedtitle_txt, sngedalbum_txt,
                                      sngedyear_txt,    sngedgenre_txt, sngedtrack_txt,
                                      sngedcomments_txt};
    for (QWidget* w : editable)
        w->installEventFilter(this);
    sngedgenre_txt->lineEdit()->installEventFilter(this);
    const auto set = [this] { FModified = true; };
    for (QLineEdit* e : {sngedartist_txt, sngedtitle_txt, sngedalbum_txt, sngedyear_txt,
                         sngedtrack_txt, sngedgenre_txt->lineEdit()})
        connect(e, &QLineEdit::textEdited, this, set);
    connect(sngedgenre_txt, &QComboBox::activated, this, set);
    connect(sngedcomments_txt, &QPlainTextEdit::textChanged, this, [this] {
        if (!FFilling) FModified = true;
    });
}

bool TSingleEdPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) FModified = true;
    return QWidget::eventFilter(watched, event);
}

void TSingleEdPanel::SetProgress(int maximum, int position) {
    // A range of 0..0 would make the bar a busy indicator.
    const int top = std::max(1, maximum);
    snged_prg->setRange(0, top);
    snged_prg->setValue(std::clamp(position, 0, top));
}

void TSingleEdPanel::ClearFields() {
    FFilling = true;
    for (QLineEdit* e :
         {sngedartist_txt, sngedtitle_txt, sngedalbum_txt, sngedyear_txt, sngedtrack_txt})
        e->clear();
    sngedgenre_txt->setCurrentIndex(-1);
    sngedgenre_txt->setEditText(QString());
    sngedcomments_txt->clear();
    FFilling = false;
    sngedsize_lbl->setText(SizeCaption());
    sngedbitrate_lbl->setText(BitRateCaption());
    sngedsamplerate_lbl->setText(SampleRateCaption());
    sngedduration_lbl->setText(DurationCaption());
}

TSingleFileFields TSingleEdPanel::Fields() const {
    TSingleFileFields f;
    f.Artist = sngedartist_txt->text();
    f.Title = sngedtitle_txt->text();
    f.Album = sngedalbum_txt->text();
    f.Year = sngedyear_txt->text();
    f.Genre = sngedgenre_txt->currentText();
    f.Track = sngedtrack_txt->text();
    f.Comments =
        sngedcomments_txt->toPlainText().split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
    return f;
}

void TSingleEdPanel::Load() {
    FModified = false;
    ClearFields();
    const TSingleFileInfo info = LoadSingleFile(sngedpath_txt->text());
    if (!info.HasReader) return;
    FFilling = true;
    sngedartist_txt->setText(info.Fields.Artist);
    sngedtitle_txt->setText(info.Fields.Title);
    sngedalbum_txt->setText(info.Fields.Album);
    sngedyear_txt->setText(info.Fields.Year);
    sngedgenre_txt->setEditText(info.Fields.Genre);
    sngedtrack_txt->setText(info.Fields.Track);
    if (!info.Fields.Comments.isEmpty()) {
        QString text = info.Fields.Comments;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        sngedcomments_txt->setPlainText(text);
    }
    FFilling = false;
    sngedsize_lbl->setText(info.SizeText);
    sngedbitrate_lbl->setText(info.BitRateText);
    sngedsamplerate_lbl->setText(info.SampleRateText);
    sngedduration_lbl->setText(info.DurationText);
    const QString found = tr("Found"), missing = tr("Not found");
    sngedid3v1_lbl->setText(info.Has(1) ? found : missing);
    sngedid3v2_lbl->setText(info.Has(2) ? found : missing);
    sngedapev2_lbl->setText(info.Has(4) ? found : missing);
    sngedvorbis_lbl->setText(info.Has(8) ? found : missing);
}

void TSingleEdPanel::WriteTags(int kinds) {
    const TSingleWriteResult result = WriteSingleFile(sngedpath_txt->text(), Fields(), kinds);
    if (result == TSingleWriteResult::Written) Load();
    // A tag the file has a reader for but that could not be written leaves the typed
    // values unsaved, so the flag stays up and leaving still asks.
    if (result != TSingleWriteResult::Failed) FModified = false;
}

void TSingleEdPanel::RemoveTags(int kinds) {
    if (RemoveSingleFileTags(sngedpath_txt->text(), kinds)) Load();
}

void TSingleEdPanel::EmptyQueue() {
    Queue.clear();
    QueuePos = -1;
    sngedqueue_lbl->setText(tr("Empty Queue"));
    SetProgress(0, 0);
}

void TSingleEdPanel::LoadQueue(const QStringList& paths) {
    Queue.append(paths);
    SetProgress(int(Queue.size()), 0);
    QueuePos = -1;
    sngedqueuenext_btnClick();
}

void TSingleEdPanel::ShowQueueEntry() {
    sngedqueue_lbl->setText(QString::asprintf("%d / %d", QueuePos + 1, int(Queue.size())));
    SetProgress(int(Queue.size()), QueuePos + 1);
    sngedpath_txt->setText(Queue[QueuePos]);
    Load();
}

void TSingleEdPanel::sngedqueuenext_btnClick() {
    if (FModified && !FOwner->AskWarning(tr(kUnsaved))) return;
    if (QueuePos >= int(Queue.size()) - 1) return;
    ++QueuePos;
    ShowQueueEntry();
}

void TSingleEdPanel::sngedqueueprev_btnClick() {
    if (FModified && !FOwner->AskQuestion(tr(kUnsaved))) return;
    if (QueuePos <= 0) return;
    --QueuePos;
    ShowQueueEntry();
}

TQueueEditorDlg* TSingleEdPanel::QueueEditor() {
    if (!FQueueEditor) FQueueEditor = new TQueueEditorDlg(FOwner);
    return FQueueEditor;
}

void TSingleEdPanel::sngedqueue_btnClick() {
    TQueueEditorDlg* editor = QueueEditor();
    // The editor starts from the current queue, so a file can be added to it.
    if (!editor->ExecuteQueue(Queue)) return;
    Queue = editor->Paths();
    SetProgress(int(Queue.size()), 0);
    QueuePos = -1;
    if (Queue.isEmpty()) sngedqueue_lbl->setText(tr("Empty Queue"));
    sngedqueuenext_btnClick();
}

void TSingleEdPanel::sngedupdate_btnClick() {
    WriteTags(-1);
}
void TSingleEdPanel::sngedremove_btnClick() {
    RemoveTags(-1);
}
void TSingleEdPanel::sngedreload_btnClick() {
    Load();
}
void TSingleEdPanel::sndedplayback_btnClick() {
    TProgramStarter start;
    if (StartProcess)
        start = [this](const QString& program, const QStringList& args) {
            return StartProcess(program, args) ? QString() : tr("the program did not start");
        };
    const TFileOpener open = OpenWithDesktop ? OpenWithDesktop : [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    const QString message =
        PlayFileMessage(FOwner->Settings.PlaybackCommandLine, sngedpath_txt->text(), start, open);
    if (!message.isEmpty()) FOwner->Prompter().ShowMessageBox(message, mbOk, mkWarning);
}

void TSingleEdPanel::sngedopen_btnClick() {
    const QStringList paths =
        FOwner->Prompter().OpenFiles(tr("Open"), FOwner->EditorOpenFilter(), true);
    if (!paths.isEmpty()) AddToQueue(paths);
}

void TSingleEdPanel::AddToQueue(const QStringList& paths) {
    if (FModified && !FOwner->AskWarning(tr(kUnsaved))) return;
    // A file already queued is not queued twice; the editor goes to the first one given.
    int first = -1;
    for (const QString& path : paths) {
        qsizetype at = Queue.indexOf(path);
        if (at < 0) {
            Queue.append(path);
            at = Queue.size() - 1;
        }
        if (first < 0) first = int(at);
    }
    QueuePos = first;
    ShowQueueEntry();
}
void TSingleEdPanel::sngedid3v1add_btnClick() {
    WriteTags(1);
}
void TSingleEdPanel::sngedid3v2add_btnClick() {
    WriteTags(2);
}
void TSingleEdPanel::sngedapev2add_btnClick() {
    WriteTags(4);
}
void TSingleEdPanel::sngedvorbisadd_btnClick() {
    WriteTags(8);
}
void TSingleEdPanel::sngedid3v1del_btnClick() {
    RemoveTags(1);
}
void TSingleEdPanel::sngedid3v2del_btnClick() {
    RemoveTags(2);
}
void TSingleEdPanel::sngedapev2del_btnClick() {
    RemoveTags(4);
}
void TSingleEdPanel::sngedvorbisdel_btnClick() {
    RemoveTags(8);
}
