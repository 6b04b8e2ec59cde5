#include "gui/FreeDBDlg.h"

#include "gui/HTTPDlg.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "tools/LookupSettings.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TFreeDBDlg::TFreeDBDlg(TPanelHost* host, THTTPDlg* http)
    : QDialog(host->HostWindow()), FHost(host), FHttp(http) {
    setObjectName(QStringLiteral("TFreeDBDlg"));
    setWindowTitle(tr("FreeDB Search"));
    setModal(true);
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;

    auto* search = Named(new QGroupBox(tr("Search"), this), "freedbsearch_grp");
    auto* searchLay = new QFormLayout(search);
    freedbsource_cmb = Named(new QComboBox(search), "freedbsource_cmb");
    for (const QString& name : LookupSourceNames())
        freedbsource_cmb->addItem(tr(name.toUtf8().constData()));
    searchLay->addRow(tr("Source :"), freedbsource_cmb);
    auto* searchRow = new QHBoxLayout;
    freedbsearch_txt = Named(new QLineEdit(search), "freedbsearch_txt");
    freedbsearch_btn = Named(new QPushButton(tr("Search"), search), "freedbsearch_btn");
    searchRow->addWidget(freedbsearch_txt, 1);
    searchRow->addWidget(freedbsearch_btn);
    searchLay->addRow(searchRow);
    left->addWidget(search);

    auto* results = Named(new QGroupBox(tr("Results"), this), "freedbres_grp");
    auto* resultsLay = new QVBoxLayout(results);
    freedbres_lst = Named(new QListWidget(results), "freedbres_lst");
    freedbres_lst->setMinimumSize(380, 220);
    resultsLay->addWidget(freedbres_lst, 1);
    freedbfetch_btn = Named(new QPushButton(tr("Fetch"), results), "freedbfetch_btn");
    resultsLay->addWidget(freedbfetch_btn, 0, Qt::AlignRight);
    left->addWidget(results, 1);
    outer->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* details = Named(new QGroupBox(tr("Details"), this), "freedbdetails_grp");
    auto* form = new QFormLayout(details);
    freedbartist_txt = Named(new QLineEdit(details), "freedbartist_txt");
    freedbalbum_txt = Named(new QLineEdit(details), "freedbalbum_txt");
    freedbgenre_txt = Named(new QLineEdit(details), "freedbgenre_txt");
    freedbyear_txt = Named(new QLineEdit(details), "freedbyear_txt");
    form->addRow(tr("Artist :"), freedbartist_txt);
    form->addRow(tr("Album :"), freedbalbum_txt);
    form->addRow(tr("Genre :"), freedbgenre_txt);
    form->addRow(tr("Year :"), freedbyear_txt);
    freedbtracknum_lbl = Named(new QLabel(QStringLiteral("0"), details), "freedbtracknum_lbl");
    form->addRow(tr("Tracks :"), freedbtracknum_lbl);
    freedbtracks_lst = Named(new QListWidget(details), "freedbtracks_lst");
    freedbtracks_lst->setMinimumSize(320, 200);
    form->addRow(freedbtracks_lst);
    right->addWidget(details, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    freedbok_btn = Named(new QPushButton(tr("Ok"), this), "freedbok_btn");
    freedbcancel_btn = Named(new QPushButton(tr("Cancel"), this), "freedbcancel_btn");
    buttons->addWidget(freedbok_btn);
    buttons->addWidget(freedbcancel_btn);
    right->addLayout(buttons);
    outer->addLayout(right, 1);

    connect(freedbsearch_btn, &QPushButton::clicked, this, &TFreeDBDlg::freedbsearch_btnClick);
    connect(freedbfetch_btn, &QPushButton::clicked, this, &TFreeDBDlg::freedbfetch_btnClick);
    connect(freedbres_lst, &QListWidget::itemDoubleClicked, this,
            &TFreeDBDlg::freedbres_lstDblClick);
    connect(freedbok_btn, &QPushButton::clicked, this, &QDialog::accept);
    connect(freedbcancel_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(freedbsource_cmb, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) FHost->Settings.LookupSource = index;
    });
    // Enter triggers the step the user is at.
    for (QWidget* w :
         {static_cast<QWidget*>(freedbsearch_txt), static_cast<QWidget*>(freedbres_lst),
          static_cast<QWidget*>(freedbartist_txt), static_cast<QWidget*>(freedbalbum_txt),
          static_cast<QWidget*>(freedbgenre_txt), static_cast<QWidget*>(freedbyear_txt),
          static_cast<QWidget*>(freedbtracks_lst)}) {
        w->installEventFilter(this);
        if (auto* list = qobject_cast<QListWidget*>(w)) list->viewport()->installEventFilter(this);
    }
}

bool TFreeDBDlg::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::FocusIn) {
        if (watched == freedbsearch_txt)
            freedbsearch_txtClick();
        else if (watched == freedbres_lst || watched == freedbres_lst->viewport())
            freedbres_lstClick();
        else
            freedbartist_txtClick();
    }
    return QDialog::eventFilter(watched, e);
}

void TFreeDBDlg::MakeDefault(QPushButton* button) {
    for (QPushButton* b : {freedbsearch_btn, freedbfetch_btn, freedbok_btn})
        b->setDefault(b == button);
}

void TFreeDBDlg::freedbsearch_txtClick() {
    MakeDefault(freedbsearch_btn);
}
void TFreeDBDlg::freedbres_lstClick() {
    MakeDefault(freedbfetch_btn);
}
void TFreeDBDlg::freedbartist_txtClick() {
    MakeDefault(freedbok_btn);
}

QStringList TFreeDBDlg::Tracks() const {
    return ListTexts(freedbtracks_lst);
}

void TFreeDBDlg::ClearDetails() {
    for (QLineEdit* e : {freedbartist_txt, freedbalbum_txt, freedbgenre_txt, freedbyear_txt})
        e->clear();
    freedbtracks_lst->clear();
    Durations.clear();
    freedbtracknum_lbl->setText(QStringLiteral("0"));
}

bool TFreeDBDlg::ExecuteLookup() {
    ClearDetails();
    freedbres_lst->clear();
    FMatches.clear();
    {
        const QSignalBlocker block(freedbsource_cmb);
        freedbsource_cmb->setCurrentIndex(std::clamp(FHost->Settings.LookupSource, 0, 2));
    }
    MakeDefault(freedbsearch_btn);
    freedbsearch_txt->setFocus();
    return exec() == QDialog::Accepted;
}

TLookupConfig TFreeDBDlg::Config() {
    TLookupConfig c = LookupConfigFromSettings(FHost->Settings);
    c.Source = TLookupSource(std::max(0, freedbsource_cmb->currentIndex()));
    return c;
}

bool TFreeDBDlg::EnsureEmail(TLookupConfig& config, bool fetch) {
    // The keyword search asks the web site; its fetch asks the CDDB server.
    if ((config.Source == TLookupSource::FreeDBSearch && !fetch) ||
        !config.Email.trimmed().isEmpty())
        return true;
    QString email;
    if (!FHost->Prompter().InputText(
            tr("FreeDB Search"),
            tr("The CDDB servers and MusicBrainz ask every program for a contact.\n"
               "Your e-mail address :"),
            email))
        return false;
    config.Email = email.trimmed();
    FHost->Settings.FreeDBEmail = config.Email;
    StoreLookupEmail(config.Email);
    if (FHost->SettingsChangedHook) FHost->SettingsChangedHook();
    return true;
}

bool TFreeDBDlg::Transfer(const TLookupRequest& request, QByteArray& body, QString& error) {
    const TSettingsValues& s = FHost->Settings;
    FHttp->UseProxy = s.FreeDBUseProxy;
    FHttp->ProxyHost = s.FreeDBProxyServer;
    FHttp->ProxyPort = QString::number(s.FreeDBProxyPort);
    FHttp->ProxyUser = s.FreeDBProxyName;
    FHttp->ProxyPass = s.FreeDBProxyPass;
    FHttp->URL = request.Url;
    FHttp->UserAgent = request.UserAgent;
    FHttp->DelayMs = request.DelayMs;
    FHttp->Buffer = &body;
    const bool done = FHttp->ExecuteTransfer();
    FHttp->Buffer = nullptr;
    error = done ? FHttp->ErrorText() : QStringLiteral("cancelled");
    return done && error.isEmpty();
}

void TFreeDBDlg::freedbsearch_btnClick() {
    TLookupConfig config = Config();
    if (config.Source != TLookupSource::CddbQuery && freedbsearch_txt->text().trimmed().isEmpty())
        return;
    if (!EnsureEmail(config, false)) return;
    const QString words = freedbsearch_txt->text();
    TLookupSearchResult result;
    bool cancelled = false;
    result = RunLookupSearch(config, words, LocalDurations,
                             [&](const TLookupRequest& r, QByteArray& body, QString& error) {
                                 const bool ok = Transfer(r, body, error);
                                 cancelled = !ok && error == QLatin1String("cancelled");
                                 return ok;
                             });
    if (!cancelled) {
        freedbres_lst->clear();
        FMatches = result.Matches;
        FMatchesSource = config.Source;
        for (const TLookupMatch& m : FMatches)
            freedbres_lst->addItem(m.Title);
    }
    if (freedbres_lst->count() == 0)
        FHost->ShowPlainMessage(cancelled || result.Error.isEmpty() ? tr("No album found.")
                                                                    : result.Error);
}

void TFreeDBDlg::freedbfetch_btnClick() {
    const int row = freedbres_lst->currentRow();
    if (row < 0 || row >= FMatches.size()) return;
    ClearDetails();
    TLookupConfig config = Config();
    // The results came from the source chosen when they were searched.
    config.Source = FMatchesSource;
    if (!EnsureEmail(config, true)) return;
    QString transferError;
    const TLookupFetchResult result = RunLookupFetch(
        config, FMatches[row], [&](const TLookupRequest& r, QByteArray& body, QString& error) {
            const bool ok = Transfer(r, body, error);
            transferError = error;
            return ok;
        });
    if (transferError != QLatin1String("cancelled")) {
        if (!result.Error.isEmpty()) {
            FHost->ShowPlainMessage(result.Error);
        } else {
            freedbartist_txt->setText(result.Details.Artist);
            freedbalbum_txt->setText(result.Details.Album);
            freedbgenre_txt->setText(result.Details.Genre);
            freedbyear_txt->setText(result.Details.Year);
            freedbtracks_lst->addItems(result.Details.Tracks);
            Durations = result.Details.Durations;
        }
    }
    freedbtracknum_lbl->setText(QString::asprintf("%d", freedbtracks_lst->count()));
}

void TFreeDBDlg::freedbres_lstDblClick() {
    freedbfetch_btnClick();
}
