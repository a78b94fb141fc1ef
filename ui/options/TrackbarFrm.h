#pragma once
// A caption label paired with a track bar, 200 x 25 pixels by design.
#include <QtWidgets/QWidget>

class QFrame;
class QLabel;

namespace quillon {

class TTrackBarEx;

class TTrackbarFrame : public QWidget {
    Q_OBJECT

public:
    explicit TTrackbarFrame(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    TTrackBarEx* TrackBar = nullptr;

    QSize sizeHint() const override { return {200, 25}; }
};

} // namespace quillon
