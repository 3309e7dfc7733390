#include "platform/qt/QtLabel.h"

#include <QLabel>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {

QtLabel::QtLabel(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution)
    : QtControl(ui, layout,
                createChild<Tracked<QLabel>>(parent, [this] { ui_.raiseFromToolkit(onMouseMove); }),
                resolution) {
    auto& label = static_cast<QLabel&>(widget());
    label.setTextFormat(Qt::PlainText);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // One line: a caption a pixel wider than its label (another font, another resolution) loses that
    // pixel rather than its last word to a second line the label has no room for.
    label.setWordWrap(false);
    label.setText(toQString(layout.caption));
}

}  // namespace platform::qt
