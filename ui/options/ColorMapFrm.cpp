#include "ui/options/ColorMapFrm.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFrame>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

#include "colormap/ColorMap.h"
#include "colormap/ColorMapFns.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FitLabel.h"
#include "ui/options/GridList.h"

namespace quillon {
namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The palette strip.
class TPaletteBox : public QWidget {
public:
    explicit TPaletteBox(const TColorMapFrame& Frame, QWidget* Parent) : QWidget(Parent), FFrame(Frame) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        FFrame.PaintBoxPalettePaint(painter, width(), height());
    }

private:
    const TColorMapFrame& FFrame;
};

// The commands' small pictures, drawn rather than shipped.
QIcon CommandIcon(int Index)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    switch (Index) {
    case 0: // Add
        p.fillRect(8, 3, 4, 14, QColor(30, 150, 60));
        p.fillRect(3, 8, 14, 4, QColor(30, 150, 60));
        break;
    case 1: // Color
        p.fillRect(3, 3, 7, 7, Qt::red);
        p.fillRect(10, 3, 7, 7, Qt::yellow);
        p.fillRect(3, 10, 7, 7, Qt::blue);
        p.fillRect(10, 10, 7, 7, Qt::green);
        break;
    case 2: // Move up
    case 3: { // Down
        QPainterPath path;
        if (Index == 2) {
            path.moveTo(10, 3); path.lineTo(17, 14); path.lineTo(3, 14);
        } else {
            path.moveTo(10, 17); path.lineTo(17, 6); path.lineTo(3, 6);
        }
        path.closeSubpath();
        p.fillPath(path, QColor(40, 90, 180));
        break;
    }
    case 4: // Delete
        p.setPen(QPen(QColor(200, 30, 30), 3));
        p.drawLine(5, 5, 15, 15);
        p.drawLine(15, 5, 5, 15);
        break;
    case 5: // New
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 2.5, 11, 15));
        break;
    case 6: // Open
        p.setPen(ink);
        p.setBrush(QColor(230, 190, 60));
        p.drawRect(QRectF(2.5, 6.5, 15, 10));
        p.drawRect(QRectF(2.5, 4.5, 6, 2));
        break;
    case 7: // Save
        p.setPen(ink);
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(3.5, 3.5, 13, 13));
        p.fillRect(6, 4, 8, 5, Qt::white);
        break;
    case 8: { // Default
        QLinearGradient g(3, 0, 17, 0);
        g.setColorAt(0, Qt::blue);
        g.setColorAt(0.5, Qt::red);
        g.setColorAt(1, Qt::yellow);
        p.fillRect(3, 5, 14, 10, g);
        break;
    }
    default: { // Random
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(3.5, 3.5, 13, 13), 3, 3);
        p.setBrush(ink);
        for (const QPointF& c : {QPointF(7, 7), QPointF(10, 10), QPointF(13, 13)})
            p.drawEllipse(c, 1.3, 1.3);
        break;
    }
    }
    return QIcon(pixmap);
}

bool ChooseColorWithDialog(QWidget* Parent, TColor& Color, const std::vector<TColor>& CustomColors)
{
    for (int k = 0; k < QColorDialog::customCount(); ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        QColorDialog::setCustomColor(k, i < CustomColors.size() ? ToQColor(CustomColors[i], QPalette())
                                                                : QColor(Qt::white));
    }
    const QColor chosen = QColorDialog::getColor(ToQColor(Color, QPalette()), Parent);
    if (!chosen.isValid())
        return false;
    Color = FromQColor(chosen);
    return true;
}

} // namespace

const char* const TColorMapFrame::OpenFilter = "Color maps (*.clm);;Fractint color map (*.map)";
const char* const TColorMapFrame::SaveFilter =
    "Color maps (*.clm);;24bit Bitmap (*.bmp);;Fractint color map (*.map)";

TColorMapFrame::TColorMapFrame(QWidget* Parent) : QWidget(Parent), FColorMap(std::make_unique<TColorMap>())
{
    FColorMap->Default();
    FColorMap->OnChanged = [this](TColorMap&) {
        UpdateDisplay();
        emit colorMapChanged();
    };
    ChooseColor = [this](TColor& Color, const std::vector<TColor>& Custom) {
        return ChooseColorWithDialog(this, Color, Custom);
    };

    CreateActions();
    CreateGrid();

    // The preview strip at the far left.
    PanelPreview = new QWidget(this);
    PanelPreview->setObjectName(QStringLiteral("PanelPreview"));
    PanelPreview->setFixedWidth(20);
    auto* preview = new QVBoxLayout(PanelPreview);
    preview->setContentsMargins(0, 0, 0, 0);
    preview->setSpacing(2);
    LabelColorCount = new TFitLabel(PanelPreview);
    LabelColorCount->setObjectName(QStringLiteral("LabelColorCount"));
    LabelColorCount->setAlignment(Qt::AlignCenter);
    QFont small = LabelColorCount->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    LabelColorCount->setFont(small);
    preview->addWidget(LabelColorCount);
    PanelColor0 = new QFrame(PanelPreview);
    PanelColor0->setObjectName(QStringLiteral("PanelColor0"));
    PanelColor0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelColor0->setFixedHeight(16);
    PanelColor0->setAutoFillBackground(true);
    preview->addWidget(PanelColor0);
    PanelPalette = new QFrame(PanelPreview);
    PanelPalette->setObjectName(QStringLiteral("PanelPalette"));
    PanelPalette->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* paletteLayout = new QVBoxLayout(PanelPalette);
    paletteLayout->setContentsMargins(1, 1, 1, 1);
    PaintBoxPalette = new TPaletteBox(*this, PanelPalette);
    PaintBoxPalette->setObjectName(QStringLiteral("PaintBoxPalette"));
    paletteLayout->addWidget(PaintBoxPalette);
    preview->addWidget(PanelPalette, 1);

    // Random parameters.
    GroupBoxRandomParams = new QGroupBox(tr("Random"), this);
    GroupBoxRandomParams->setObjectName(QStringLiteral("GroupBoxRandomParams"));
    auto* randomGrid = new QGridLayout(GroupBoxRandomParams);
    randomGrid->setContentsMargins(6, 4, 6, 4);
    EditNodeCount = new QLineEdit(QStringLiteral("12"), GroupBoxRandomParams);
    EditNodeCount->setObjectName(QStringLiteral("EditNodeCount"));
    EditColorCount = new QLineEdit(QStringLiteral("256"), GroupBoxRandomParams);
    EditColorCount->setObjectName(QStringLiteral("EditColorCount"));
    auto* labelNodes = new QLabel(tr("Node count:"), GroupBoxRandomParams);
    labelNodes->setBuddy(EditNodeCount);
    auto* labelColors = new QLabel(tr("Color count:"), GroupBoxRandomParams);
    labelColors->setBuddy(EditColorCount);
    randomGrid->addWidget(labelNodes, 0, 0);
    randomGrid->addWidget(EditNodeCount, 0, 1);
    randomGrid->addWidget(labelColors, 1, 0);
    randomGrid->addWidget(EditColorCount, 1, 1);

    // Two button columns beside the grid, the random parameters below them.
    auto* commands = new QGridLayout;
    commands->setSpacing(4);
    const QAction* const columns[2][5] = {{ActionAdd, ActionColor, ActionUp, ActionDown, ActionDelete},
                                          {ActionNew, ActionOpen, ActionSave, ActionDefault, ActionRandom}};
    std::vector<QToolButton*> buttons;
    int buttonWidth = 75;
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 5; ++r) {
            buttons.push_back(MakeButton(const_cast<QAction*>(columns[c][r])));
            buttonWidth = std::max(buttonWidth, buttons.back()->sizeHint().width());
            commands->addWidget(buttons.back(), r, c);
        }
    // Wide enough for every caption beside its icon in the font at hand.
    for (QToolButton* button : buttons)
        button->setFixedWidth(buttonWidth);
    commands->addWidget(GroupBoxRandomParams, 5, 0, 1, 2);
    commands->setRowStretch(6, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(PanelPreview);
    layout->addWidget(GridColorItems, 1);
    layout->addLayout(commands);

    UpdateDisplay();
}

TColorMapFrame::~TColorMapFrame()
{
    // The map's handler refers to this frame's widgets.
    FColorMap->OnChanged = nullptr;
}

void TColorMapFrame::CreateActions()
{
    auto make = [this](const QString& Caption, int Icon, const char* Name, void (TColorMapFrame::*Handler)()) {
        auto* action = new QAction(CommandIcon(Icon), Caption, this);
        // The buttons show the caption as it is, access key and ellipsis included.
        action->setIconText(Caption);
        action->setObjectName(QString::fromLatin1(Name));
        connect(action, &QAction::triggered, this, [this, Handler] { RunReported([this, Handler] { (this->*Handler)(); }); });
        return action;
    };
    ActionAdd = make(tr("&Add"), 0, "ActionAdd", &TColorMapFrame::ActionAddExecute);
    ActionColor = make(tr("&Color..."), 1, "ActionColor", &TColorMapFrame::ActionColorExecute);
    ActionUp = make(tr("Move &up"), 2, "ActionUp", &TColorMapFrame::ActionUpExecute);
    ActionDown = make(tr("&Down"), 3, "ActionDown", &TColorMapFrame::ActionDownExecute);
    ActionDelete = make(tr("&Delete"), 4, "ActionDelete", &TColorMapFrame::ActionDeleteExecute);
    ActionNew = make(tr("&New"), 5, "ActionNew", &TColorMapFrame::ActionNewExecute);
    ActionOpen = make(tr("Open..."), 6, "ActionOpen", &TColorMapFrame::ActionOpenExecute);
    ActionSave = make(tr("&Save..."), 7, "ActionSave", &TColorMapFrame::ActionSaveExecute);
    ActionDefault = make(tr("De&fault"), 8, "ActionDefault", &TColorMapFrame::ActionDefaultExecute);
    ActionRandom = make(tr("Random"), 9, "ActionRandom", &TColorMapFrame::ActionRandomExecute);
}

QToolButton* TColorMapFrame::MakeButton(QAction* Action)
{
    auto* button = new QToolButton(this);
    button->setDefaultAction(Action);
    button->setObjectName(QStringLiteral("Button") + Action->objectName().mid(6));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(75, 25);
    return button;
}

void TColorMapFrame::CreateGrid()
{
    GridColorItems = new TGridList(this);
    GridColorItems->setObjectName(QStringLiteral("GridColorItems"));
    GridColorItems->SetColCount(2);
    GridColorItems->SetFixedRows(1);
    GridColorItems->SetGridLineWidth(0);
    GridColorItems->SetDefaultRowHeight(std::max(16, GridColorItems->fontMetrics().height() + 4));
    GridColorItems->setSelectionBehavior(QAbstractItemView::SelectItems);
    GridColorItems->setColumnWidth(0, 47);
    GridColorItems->SetElasticCol(1);
    GridColorItems->setMinimumWidth(110);

    TGridList* grid = GridColorItems;
    connect(grid, &TGridList::fixedCellDrawing, this, [grid](int Col, int, const QRect& Rect) {
        grid->DrawText(Rect, Col == 0 ? tr("Count") : tr("Color"), Qt::AlignHCenter);
    });
    connect(grid, &TGridList::subItemDrawing, this,
            [this, grid](int SubItem, int Item, const QRect& Rect, TGridDrawState State) {
                if (Item < 0 || Item >= FColorMap->Count())
                    return;
                const TColorMap::TItem& node = FColorMap->GetItem(Item);
                if (SubItem == 0) {
                    grid->DrawText(Rect, Q(Format("%d", {node.Count()})), Qt::AlignLeft);
                } else {
                    // The swatch leaves a margin in the selection color, so that the
                    // current cell shows whatever its color.
                    const bool selected = (State & (gdSelected | gdFocused)) != 0;
                    grid->Canvas()->fillRect(Rect,
                                             grid->palette().color(selected ? QPalette::Highlight : QPalette::Base));
                    grid->Canvas()->fillRect(Rect.adjusted(3, 2, -3, -2), ToQColor(node.Color(), grid->palette()));
                }
            });
    // Counts are edited in place from node 1 on; node 0 keeps its count of 1.
    connect(grid, &TGridList::cellSelecting, this,
            [grid](int Col, int Row, bool&) { grid->SetEditing(Col == 0 && Row >= 2); });
    connect(grid, &TGridList::editTextWanted, this, [this](int Col, int Row, QString& Value) {
        const int node = Row - 1;
        if (Col == 0 && node >= 0 && node < FColorMap->Count())
            Value = Q(Format("%d", {FColorMap->GetItem(node).Count()}));
    });
    connect(grid, &TGridList::editTextChanged, this, [this](int Col, int Row, const QString& Value) {
        if (Col == 0)
            RunReportedLater([&] { SetCountText(Row - 1, Value); });
    });
    connect(grid, &TGridList::cellDoubleClickedAt, this, [this](int Col, int Row) {
        if (Col == 1 && Row >= 1)
            RunReported([this] { ActionColorExecute(); });
    });
}

void TColorMapFrame::SetColorMap(const TColorMap& Value)
{
    FColorMap->Assign(Value);
    UpdateDisplay();
}

int TColorMapFrame::ColorCount() const
{
    return FColorMap->ColorCount();
}

int TColorMapFrame::CurrentNode() const
{
    return GridColorItems->Row() - 1;
}

void TColorMapFrame::UpdateDisplay()
{
    GridColorItems->SetRowCount(FColorMap->Count() + 1);
    GridColorItems->setColumnWidth(1, std::max(GridColorItems->viewport()->width() - GridColorItems->columnWidth(0), 0));
    LabelColorCount->setText(Q(Format("%d", {FColorMap->ColorCount()})));
    QPalette pal = PanelColor0->palette();
    pal.setColor(QPalette::Window, FColorMap->Count() > 0 ? ToQColor(FColorMap->GetItem(0).Color(), pal)
                                                          : pal.color(QPalette::Button));
    PanelColor0->setPalette(pal);
    PaintBoxPalette->update();
}

void TColorMapFrame::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    GridColorItems->setColumnWidth(1, std::max(GridColorItems->viewport()->width() - GridColorItems->columnWidth(0), 0));
}

void TColorMapFrame::PaintBoxPalettePaint(QPainter& Painter, int Width, int Height) const
{
    std::vector<TColor> colors;
    try {
        colors = FColorMap->AsColorArray();
    } catch (const EQuillonError&) {
        return; // a map that does not expand shows no strip
    }
    const std::int64_t count = static_cast<std::int64_t>(colors.size());
    for (std::int64_t k = 1; k < count; ++k) {
        const int top = static_cast<int>(RoundHalfEven(static_cast<double>(k - 1) * Height / count));
        const int bottom = static_cast<int>(RoundHalfEven(static_cast<double>(k) * Height / count));
        if (bottom > top)
            Painter.fillRect(QRect(0, top, Width, bottom - top), ToQColor(colors[static_cast<std::size_t>(k)], palette()));
    }
}

void TColorMapFrame::SetCountText(int Node, const QString& Text)
{
    if (Text.isEmpty() || Node < 1 || Node >= FColorMap->Count())
        return;
    const int n = StrToInt(Text.toStdString());
    FColorMap->GetItem(Node).SetCount(n <= 0 ? 1 : n);
}

void TColorMapFrame::ActionAddExecute()
{
    // After the current node; at the end without one, never before node 0.
    const int index = CurrentNode() >= 0 ? CurrentNode() + 1 : FColorMap->Count();
    FColorMap->Insert(clWhite, 1, index);
    GridColorItems->SetRow(index + 1);
    ActionColorExecute();
}

void TColorMapFrame::ActionColorExecute()
{
    const int node = std::max(CurrentNode(), 0);
    TColorMap::TItem& item = FColorMap->GetItem(node);
    std::vector<TColor> custom;
    for (int k = 0; k < std::min(FColorMap->Count(), 16); ++k)
        custom.push_back(FColorMap->GetItem(k).Color());
    TColor color = item.Color();
    if (ChooseColor && ChooseColor(color, custom))
        item.SetColor(color);
}

void TColorMapFrame::ActionUpExecute()
{
    const int i = CurrentNode();
    if (i >= 2) {
        FColorMap->Exchange(i, i - 1);
        GridColorItems->SetRow(i);
    }
}

void TColorMapFrame::ActionDownExecute()
{
    const int i = CurrentNode();
    if (i >= 1 && i < FColorMap->Count() - 1) {
        FColorMap->Exchange(i, i + 1);
        GridColorItems->SetRow(i + 2);
    }
}

void TColorMapFrame::ActionDeleteExecute()
{
    const int i = CurrentNode();
    if (i >= 1) {
        FColorMap->Delete(i);
        GridColorItems->SetRow(i);
    }
}

void TColorMapFrame::ActionNewExecute()
{
    FColorMap->Clear();
}

void TColorMapFrame::OpenFile(const QString& FileName)
{
    FOpenFileName = FileName;
    const std::string name = FileName.toStdString();
    // Only the lower-case extension marks an RGB-triple file.
    if (QFileInfo(FileName).fileName().endsWith(QStringLiteral(".map"), Qt::CaseSensitive)) {
        std::vector<TColor> colors;
        LoadFractintMap(name, colors);
        FColorMap->SetAsColorArray(colors);
    } else {
        FColorMap->LoadFromFile(name);
    }
}

void TColorMapFrame::SaveFile(const QString& FileName)
{
    FColorMap->SaveToFile(FileName.toStdString());
    FOpenFileName = FileName;
}

void TColorMapFrame::ActionOpenExecute()
{
    const QString name =
        QFileDialog::getOpenFileName(this, tr("Open Color Map"), FOpenFileName, QString::fromLatin1(OpenFilter));
    if (!name.isEmpty())
        OpenFile(name);
}

void TColorMapFrame::ActionSaveExecute()
{
    QFileDialog dialog(this, tr("Save Color Map"),
                       FOpenFileName.isEmpty() ? QString() : QFileInfo(FOpenFileName).absolutePath(),
                       QString::fromLatin1(SaveFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("clm"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SaveFile(dialog.selectedFiles().first());
}

void TColorMapFrame::ActionDefaultExecute()
{
    if (DefaultColorMap) {
        FColorMap->Assign(DefaultColorMap());
    } else {
        TColorMap map;
        map.Default();
        FColorMap->Assign(map);
    }
}

void TColorMapFrame::ActionRandomExecute()
{
    const int colorCount = StrToInt(EditColorCount->text().toStdString());
    const int nodeCount = StrToInt(EditNodeCount->text().toStdString());
    // Counts beyond what a palette can show would only exhaust the memory.
    if (nodeCount > MaxColorMapColors)
        throw ERangeError(Format("Invalid number of nodes (up to %d).", {MaxColorMapColors}));
    if (colorCount > MaxColorMapColors)
        throw ERangeError(Format("Invalid number of colors (up to %d).", {MaxColorMapColors}));
    FColorMap->RandomMap(nodeCount, colorCount);
}

} // namespace quillon
