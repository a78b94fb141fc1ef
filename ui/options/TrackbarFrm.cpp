#include "ui/options/TrackbarFrm.h"

#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>

#include "ui/options/TrackBarEx.h"

namespace quillon {

TTrackbarFrame::TTrackbarFrame(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    outer->addWidget(Panel1);

    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Label1 = new QLabel(Panel1);
    Label1->setObjectName("Label1");
    Label1->setFixedWidth(40);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(Label1);

    TrackBar = new TTrackBarEx(Qt::Horizontal, Panel1);
    TrackBar->setObjectName("TrackBar");
    TrackBar->setRange(1, 10);
    TrackBar->setPageStep(10);
    TrackBar->setValue(1);
    layout->addWidget(TrackBar, 1);
    resize(200, 25);
}

} // namespace quillon
