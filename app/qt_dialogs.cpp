#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/program_title.h"

namespace app {

namespace {

// The program writes its line breaks as CR LF; a label wants a bare line feed.
QString displayText(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

void QtDialogs::message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kProgramTitle, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::retryCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kProgramTitle, displayText(text),
                    QMessageBox::Retry | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Retry);
    return box.exec() == QMessageBox::Retry;
}

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title,
                                               const QStringList& filters, const QString& current,
                                               QString& chosenFilter) {
    const QString path = QFileDialog::getSaveFileName(
        parent, title, current, filters.join(QStringLiteral(";;")), &chosenFilter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace app
