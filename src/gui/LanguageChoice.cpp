#include "gui/LanguageChoice.h"

#include "lang/LangList.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 32;
constexpr int kTextGap = 10;

// A row: the flag inside a frame, the name 10 pixels to its right, both centred
// vertically.
class TLanguageDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QWidget* w = o.widget;
        // The background and selection as the style draws them, without text or icon.
        o.text.clear();
        o.icon = QIcon();
        w->style()->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
        const QRect r = option.rect;
        int x = r.left() + 4;
        const QPixmap flag = index.data(Qt::DecorationRole).value<QPixmap>();
        if (!flag.isNull()) {
            const QRect frame(x, r.top() + (r.height() - flag.height() - 2) / 2, flag.width() + 2,
                              flag.height() + 2);
            p->drawPixmap(frame.left() + 1, frame.top() + 1, flag);
            p->setPen(option.palette.color(QPalette::Mid));
            p->drawRect(frame.adjusted(0, 0, -1, -1));
            x = frame.right() + 1;
        }
        x += kTextGap;
        const bool selected = option.state & QStyle::State_Selected;
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(QRect(x, r.top(), r.right() - x, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(Qt::DisplayRole).toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        // Larger fonts make the rows taller, never cut.
        s.setHeight(qMax(kRowHeight, option.fontMetrics.height() + 8));
        return s;
    }
};

} // namespace

TLanguageChoice::TLanguageChoice(QWidget* parent) : QWidget(parent) {
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    FLabel = new QLabel(this);
    FLabel->setMinimumHeight(16);
    FLabel->setWordWrap(true);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Raised);
    FList = new QListWidget(this);
    FList->setItemDelegate(new TLanguageDelegate(FList));
    FList->setMinimumHeight(3 * kRowHeight + 4);
    lay->addWidget(FLabel);
    lay->addWidget(line);
    lay->addWidget(FList, 1);
    connect(FList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FSelecting) Choose(row);
    });
}

void TLanguageChoice::SetLangList(TLangList* langue) {
    FLangList = langue;
    if (!langue) return;
    langue->Scan();
    Fill();
    // Runs in front of the handler that was there.
    auto before = langue->AfterLanguageSwitch;
    langue->AfterLanguageSwitch = [this, before] {
        Switched();
        if (before) before();
        FLabel->setText(QStringLiteral("  ") + FLangList->CurrentSecondText());
    };
}

void TLanguageChoice::Fill() {
    const QSignalBlocker block(FList);
    FList->clear();
    for (const TLangList::TLanguage& l : FLangList->Languages()) {
        auto* item = new QListWidgetItem(l.Name, FList);
        QPixmap flag;
        flag.loadFromData(FLangList->FlagBitmap(uint16_t(l.Code)), "BMP");
        if (!flag.isNull()) {
            // Pictures taller than a row are scaled down to fit it.
            if (flag.height() > kRowHeight - 8) flag = flag.scaledToHeight(kRowHeight - 8);
            item->setData(Qt::DecorationRole, flag);
        }
    }
    Switched();
}

void TLanguageChoice::Switched() {
    // The list follows the language that is in use.
    FSelecting = true;
    FList->setCurrentRow(FLangList ? FLangList->LanguageIndex() : -1);
    FSelecting = false;
}

void TLanguageChoice::Choose(int row) {
    if (!FLangList || row < 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    QCoreApplication::processEvents();
    FLangList->SetLanguageIndex(row);
    FLabel->setText(FLangList->CurrentSecondText());
    emit Click();
}
