// calvenor-print: renders one report's print job as a PDF document and writes it, whole, to the
// result descriptor. A child of the program, so that printing needs no application object in the
// program and works without a display (Qt's offscreen platform).
//
//   calvenor-print render TITLE DATABASE PRINTED_AT   -> the PDF bytes, exit code 0

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <cstring>

#include "platform/jet/helper/HelperProcess.h"

namespace {

constexpr double kMargin = 56.0;  // points, about 2 cm

void drawJob(QPdfWriter& writer, const QString& title, const QString& database, const QString& printedAt) {
    QPainter painter(&writer);
    const QRectF page = painter.viewport();
    const double scale = writer.resolution() / 72.0;  // points to device units
    QRectF area = page.adjusted(kMargin * scale, kMargin * scale, -kMargin * scale, -kMargin * scale);

    auto drawBlock = [&](const QString& text, double pointSize, bool bold) {
        QFont font("Arial");
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        painter.setFont(font);
        QRectF used;
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, &used);
        area.setTop(used.bottom() + pointSize * 0.6 * scale);
    };
    drawBlock(title, 24, true);
    drawBlock("Database: " + database, 12, false);
    drawBlock("Printed: " + printedAt, 12, false);
    drawBlock("The report's own layout can be drawn only by Microsoft Access; this page stands in for it.", 9,
              false);
}

}  // namespace

int main(int argc, char** argv) {
    platform::jet::helper::prepareHelperProcess();
    if (argc != 5 || std::strcmp(argv[1], "render") != 0) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");  // never a window, with or without a display
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    const QString title = QString::fromUtf8(argv[2]);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(title);
        writer.setCreator("Calvenor");
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        writer.setResolution(300);
        drawJob(writer, title, QString::fromUtf8(argv[3]), QString::fromUtf8(argv[4]));
    }
    const QByteArray& bytes = pdf.data();
    if (!bytes.startsWith("%PDF-")) return 1;
    return platform::jet::helper::writeResult(std::string_view(bytes.constData(), bytes.size())) ? 0 : 1;
}
