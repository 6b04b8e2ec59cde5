#include "gui/GuiPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

int TGuiPrompter::ShowMessageBox(const QString& text, int buttons, int kind) {
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Warning,
                                              QMessageBox::Critical, QMessageBox::Question,
                                              QMessageBox::Information};
    const QMessageBox::Icon icon = kind >= 0 && kind <= 4 ? icons[kind] : QMessageBox::NoIcon;
    QMessageBox box(icon, MessageBoxTitle(kind), text, QMessageBox::NoButton, FOwner);
    if (buttons == mbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    if (buttons != mbYesNo) return mrOk;
    return pressed == QMessageBox::Yes ? mrYes : mrNo;
}

void TGuiPrompter::ShowPlainMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, FOwner);
    box.exec();
}

void TGuiPrompter::ShowAbout(const QString& title, const QString& text) {
    // An own small dialog rather than a message box, which caps its width and cuts long
    // paragraphs at large scale factors; this one grows to whatever its text needs.
    QDialog box(FOwner);
    box.setObjectName(QStringLiteral("TAboutDlg"));
    box.setWindowTitle(title);
    auto* outer = new QVBoxLayout(&box);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(&box);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(text, &box);
    label->setObjectName(QStringLiteral("about_lbl"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFixedWidth(label->fontMetrics().averageCharWidth() * 60);
    row->addWidget(icon);
    row->addSpacing(label->fontMetrics().averageCharWidth() * 2);
    row->addWidget(label);
    outer->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    outer->addWidget(buttons);
    box.exec();
}

namespace {

// "Description|*.a;*.b|..." into the dialog's "Description (*.a *.b);;..." form.
QString DialogFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        out.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

QStringList TGuiPrompter::OpenFiles(const QString& title, const QString& rawFilter, bool multiple) {
    const QString filter = DialogFilter(rawFilter);
    if (multiple) return QFileDialog::getOpenFileNames(FOwner, title, QString(), filter);
    const QString name = QFileDialog::getOpenFileName(FOwner, title, QString(), filter);
    return name.isEmpty() ? QStringList() : QStringList{name};
}

QString TGuiPrompter::BrowseFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(FOwner, title);
}

bool TGuiPrompter::InputText(const QString& title, const QString& label, QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(FOwner, title, label, QLineEdit::Normal, value, &ok);
    if (ok) value = text;
    return ok;
}
