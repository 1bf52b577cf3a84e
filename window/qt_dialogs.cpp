#include "window/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "download/program_title.h"

namespace app {

namespace {

// The program writes its line breaks as CR LF; a label wants a bare line feed.
QString displayText(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Opened, not run in a loop of its own: the port, the timers and the other events of the
// window go on while the user reads. The answer comes back through `done`.
void openBox(QMessageBox* box, std::function<void(int)> done) {
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [done = std::move(done)](int result) {
        if (done) done(result);
    });
    box->open();
}

}  // namespace

void QtDialogs::message(QWidget* parent, const QString& text, std::function<void()> closed) {
    openBox(new QMessageBox(QMessageBox::NoIcon, kProgramTitle, displayText(text), QMessageBox::Ok,
                            parent),
            [closed = std::move(closed)](int) {
                if (closed) closed();
            });
}

void QtDialogs::retryCancel(QWidget* parent, const QString& text,
                            std::function<void(bool)> answered) {
    auto* box = new QMessageBox(QMessageBox::Warning, kProgramTitle, displayText(text),
                                QMessageBox::Retry | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Retry);
    openBox(box, [answered = std::move(answered)](int result) {
        if (answered) answered(result == QMessageBox::Retry);
    });
}

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title,
                                               const QStringList& filters, const QString& current,
                                               QString& chosenFilter) {
    const QString path = QFileDialog::getSaveFileName(
        parent, title, current, filters.join(QStringLiteral(";;")), &chosenFilter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::openFileName(QWidget* parent, const QString& title,
                                               const QStringList& filters, const QString& current) {
    const QString path =
        QFileDialog::getOpenFileName(parent, title, current, filters.join(QStringLiteral(";;")));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace app
