#pragma once
// A horizontal track bar that also tells when the user has completed a change.
#include <QtWidgets/QSlider>

namespace quillon {

// The notification codes of a track bar: how the user moved it.
enum TTrackBarCode : int {
    tbLineUp = 0,        // one line up or left (arrow key, wheel)
    tbLineDown = 1,      // one line down or right
    tbPageUp = 2,        // one page up or left (Page Up, click in the channel)
    tbPageDown = 3,      // one page down or right
    tbThumbPosition = 4, // thumb released at its final position
    tbThumbTrack = 5,    // thumb being dragged
    tbTop = 6,           // jump to the minimum (Home)
    tbBottom = 7,        // jump to the maximum (End)
    tbEndTrack = 8,      // end of a tracking operation
    tbNone = -1,
};

class TTrackBarEx : public QSlider {
    Q_OBJECT

public:
    explicit TTrackBarEx(QWidget* parent = nullptr);
    explicit TTrackBarEx(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Code of a slider action; tbNone for none.
    static TTrackBarCode ActionCode(int action, bool dragging, int delta);
    static bool CodeCompletesChange(TTrackBarCode code) { return code >= tbLineUp && code <= tbThumbPosition; }

signals:
    // Emitted after the position has been updated, when the user has finished
    // a change: a line or page step or the release of the dragged thumb; never
    // while dragging, for Home/End, for positions set by the program or on a
    // vertical track bar. The ordinary change signal is valueChanged.
    void changed();

protected:
    bool event(QEvent* e) override;

private:
    void Init();
    void Notify(TTrackBarCode code);

    TTrackBarCode FPendingCode = tbNone;
    int FPositionBeforeAction = 0;
};

} // namespace quillon
