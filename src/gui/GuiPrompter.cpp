#include "gui/GuiPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

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
