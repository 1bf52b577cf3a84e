#include "window/overview_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "download/program_title.h"
#include "overview/figures_text.h"
#include "overview/picture_painter.h"

namespace app {

namespace {

// Small enough for a laptop's screen with the rows below it.
constexpr int kPictureWidth = 560;
constexpr int kPictureHeight = 400;

QStringList qtStrings(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& t : texts) out << QString::fromStdString(t);
    return out;
}

QTableWidget* rowsTable(const OverviewShown& shown, QWidget* parent) {
    auto* table = new QTableWidget(static_cast<int>(shown.rows.size()),
                                   static_cast<int>(shown.headings.size()), parent);
    table->setObjectName(QStringLiteral("overviewRows"));
    table->setHorizontalHeaderLabels(shown.headings);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < shown.rows.size(); ++r)
        for (int c = 0; c < shown.rows[r].size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(shown.rows[r][c]));
    table->resizeColumnsToContents();
    // Every column in view, and the rows of a few files without scrolling.
    const int frame = 2 * table->frameWidth();
    table->setMinimumWidth(table->horizontalHeader()->length() + frame);
    int height = table->horizontalHeader()->height() + frame;
    for (int r = 0; r < std::min(table->rowCount(), 6); ++r) height += table->rowHeight(r);
    table->setMinimumHeight(height);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return table;
}

}  // namespace

OverviewShown overviewShown(const overview::TrackOverview& overview) {
    OverviewShown shown;
    shown.picture = overview.picture(kPictureWidth, kPictureHeight);
    shown.headings = qtStrings(overview::rowHeadings());
    for (const overview::PartFigures& row : overview.rows())
        shown.rows << qtStrings(overview::rowFields(row));
    return shown;
}

void openOverviewBox(QWidget* parent, const QString& text, const OverviewShown& shown,
                     std::function<void()> closed) {
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("overviewBox"));
    box->setWindowTitle(kProgramTitle);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(box);
    auto* message = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message);
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(overview::paintPicture(shown.picture)));
    layout->addWidget(picture);
    layout->addWidget(rowsTable(shown, box));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    layout->addWidget(buttons);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)](int) {
        if (closed) closed();
    });
    box->open();
}

}  // namespace app
