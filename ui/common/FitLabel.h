#pragma once
// A label of fixed width (a status bar panel, a count beside a strip): a text
// wider than the label is drawn in a smaller font, so that it shows whole.
#include <QtWidgets/QLabel>

namespace quillon {

class TFitLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    // The label's font, or the largest smaller one in which the text fits
    // the panel's contents.
    QFont FittedFont() const;
    // Whether the text shows whole.
    bool TextFits() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
};

} // namespace quillon
