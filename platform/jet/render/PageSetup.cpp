#include "platform/jet/render/PageSetup.h"

#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <optional>

#include "platform/jet/query/Region.h"

namespace platform::jet::render {
namespace {

constexpr double kTwipsPerPoint = 20.0;
constexpr int kDefaultMargin = 1440;  // twips: one inch

// Windows' DMPAPER_ numbers of the usual papers.
std::optional<QPageSize::PageSizeId> paperOf(int paperSize) {
    switch (paperSize) {
        case 1:
            return QPageSize::Letter;
        case 5:
            return QPageSize::Legal;
        case 7:
            return QPageSize::Executive;
        case 8:
            return QPageSize::A3;
        case 9:
            return QPageSize::A4;
        case 11:
            return QPageSize::A5;
        case 13:
            return QPageSize::B5;
        case 20:
            return QPageSize::Envelope10;
        default:
            return std::nullopt;
    }
}

double marginPoints(int twips) {
    return (twips > 0 ? twips : kDefaultMargin) / kTwipsPerPoint;
}

}  // namespace

QPageLayout pageLayoutOf(const design::PageSetup& setup) {
    // A design without a paper of its own prints on the region's, as on the default printer.
    QPageSize size(paperOf(query::currentRegion().paperSize).value_or(QPageSize::A4));
    if (auto paper = paperOf(setup.paperSize))
        size = QPageSize(*paper);
    else if (setup.paperWidth > 0 && setup.paperLength > 0)
        size = QPageSize(QSizeF(setup.paperWidth / 10.0, setup.paperLength / 10.0), QPageSize::Millimeter);
    const QMarginsF margins(marginPoints(setup.leftMargin), marginPoints(setup.topMargin),
                            marginPoints(setup.rightMargin), marginPoints(setup.bottomMargin));
    QPageLayout layout(size, setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                       QPageLayout::Point);
    // Margins wider than the paper leave at least an inch to draw on.
    layout.setMode(QPageLayout::StandardMode);
    if (!layout.isValid() || layout.paintRect(QPageLayout::Point).height() < 72)
        layout.setMargins(QMarginsF(36, 36, 36, 36));
    return layout;
}

}  // namespace platform::jet::render
