#include "ui/options/GridList.h"

#include <QtCore/QMetaMethod>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionButton>
#include <QtWidgets/QStyledItemDelegate>

#include <algorithm>

namespace quillon {

QColor ToQColor(TColor Color, const QPalette& Palette)
{
    if ((Color & clSystemColor) != 0) {
        switch (Color & 0xFF) {
        case 5: return Palette.color(QPalette::Base);
        case 8: return Palette.color(QPalette::Text);
        case 15: return Palette.color(QPalette::Button);
        default: return Palette.color(QPalette::Window);
        }
    }
    return QColor(GetRValue(Color), GetGValue(Color), GetBValue(Color));
}

TColor FromQColor(const QColor& Color)
{
    return RGB(static_cast<unsigned>(Color.red()), static_cast<unsigned>(Color.green()),
               static_cast<unsigned>(Color.blue()));
}

// ---------------------------------------------------------------------------

class TGridList::TDelegate : public QStyledItemDelegate {
public:
    explicit TDelegate(TGridList& Grid) : QStyledItemDelegate(&Grid), FGrid(Grid) {}

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        if (!FGrid.OwnerDraws()) {
            QStyledItemDelegate::paint(Painter, Option, Index);
            return;
        }
        TGridDrawState state = 0;
        if (Option.state & QStyle::State_Selected)
            state |= gdSelected;
        if (Option.state & QStyle::State_HasFocus)
            state |= gdFocused;
        const QColor background = (state & gdSelected) ? Option.palette.color(QPalette::Highlight)
                                                       : Option.palette.color(QPalette::Base);
        FGrid.PaintCell(*Painter, Index.column(), Index.row() + FGrid.FFixedRows, Option.rect, state, background);
    }

    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem&, const QModelIndex& Index) const override
    {
        if (!FGrid.FEditing)
            return nullptr;
        auto* editor = new QLineEdit(Parent);
        editor->setFrame(false);
        editor->setObjectName(QStringLiteral("InplaceEditor"));
        const int col = Index.column();
        const int row = Index.row() + FGrid.FFixedRows;
        // Every keystroke reaches the owner, as the text stands.
        QObject::connect(editor, &QLineEdit::textEdited, editor,
                         [this, col, row](const QString& Text) { emit FGrid.editTextChanged(col, row, Text); });
        return editor;
    }

    void setEditorData(QWidget* Editor, const QModelIndex& Index) const override
    {
        auto* edit = static_cast<QLineEdit*>(Editor);
        QString text;
        emit FGrid.editTextWanted(Index.column(), Index.row() + FGrid.FFixedRows, text);
        edit->setText(text);
    }

    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override
    {
        // The owner keeps the data; the editor reported every change already.
    }

private:
    TGridList& FGrid;
};

class TGridList::THeader : public QHeaderView {
public:
    explicit THeader(TGridList& Grid) : QHeaderView(Qt::Horizontal, &Grid), FGrid(Grid) {}

protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override
    {
        if (!FGrid.OwnerDraws()) {
            QHeaderView::paintSection(Painter, Rect, LogicalIndex);
            return;
        }
        Painter->save();
        // Fixed cells keep the grid's background; they are never shaded.
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = Rect;
        option.section = LogicalIndex;
        style()->drawControl(QStyle::CE_HeaderSection, &option, Painter, this);
        FGrid.FCanvas = Painter;
        Painter->setPen(palette().color(QPalette::ButtonText));
        emit FGrid.fixedCellDrawing(LogicalIndex, 0, Rect);
        FGrid.FCanvas = nullptr;
        Painter->restore();
    }

private:
    TGridList& FGrid;
};

// ---------------------------------------------------------------------------

TGridList::TGridList(QWidget* Parent) : QTableWidget(Parent)
{
    FDelegate = new TDelegate(*this);
    setItemDelegate(FDelegate);
    FHeader = new THeader(*this);
    setHorizontalHeader(FHeader);
    FHeader->setSectionResizeMode(QHeaderView::Fixed);
    FHeader->setHighlightSections(false);
    FHeader->setSectionsClickable(false);
    FHeader->setMinimumSectionSize(1);
    FHeader->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(FDefaultRowHeight);
    setShowGrid(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setColumnCount(3);
    setRowCount(20);
}

TGridList::~TGridList() = default;

void TGridList::SetRowCount(int Value)
{
    Value = std::max(Value - FFixedRows, 0);
    if (Value != rowCount())
        setRowCount(Value);
    viewport()->update();
}

void TGridList::SetColCount(int Value)
{
    if (Value == columnCount())
        return;
    setColumnCount(std::max(Value, 0));
    SizeElasticCol();
}

void TGridList::SetFixedRows(int Value)
{
    Value = std::clamp(Value, 0, 1);
    if (Value == FFixedRows)
        return;
    const int rows = RowCount();
    FFixedRows = Value;
    FHeader->setVisible(Value == 1);
    SetRowCount(rows);
}

void TGridList::SetDefaultRowHeight(int Value)
{
    FDefaultRowHeight = Value;
    verticalHeader()->setDefaultSectionSize(Value);
}

void TGridList::SetGridLineWidth(int Value)
{
    FGridLineWidth = std::max(Value, 0);
    setShowGrid(FGridLineWidth > 0);
    SizeElasticCol();
}

int TGridList::Row() const
{
    const int row = currentRow();
    return row < 0 ? FFixedRows - 1 : row + FFixedRows;
}

void TGridList::SetRow(int Value)
{
    const int row = Value - FFixedRows;
    if (row < 0 || row >= rowCount())
        return;
    setCurrentCell(row, std::max(currentColumn(), 0));
}

int TGridList::Col() const
{
    return currentColumn();
}

void TGridList::SetCol(int Value)
{
    if (Value < 0 || Value >= columnCount())
        return;
    setCurrentCell(std::max(currentRow(), 0), Value);
}

void TGridList::SetItemCount(int Value)
{
    if (Value == ItemCount() || Value < 0)
        return;
    // An empty list keeps one blank row.
    SetRowCount(Value > 0 ? Value + FFixedRows : FFixedRows + 1);
}

int TGridList::ItemIndex() const
{
    if (ItemCount() == 0)
        return -1;
    return std::max(currentRow(), 0);
}

void TGridList::SetItemIndex(int Value)
{
    if (Value == ItemIndex() || Value < 0 || Value >= ItemCount())
        return;
    SetRow(Value + FFixedRows);
}

void TGridList::SetAlternateColor(bool Value)
{
    if (Value == FAlternateColor)
        return;
    FAlternateColor = Value;
    viewport()->update();
}

void TGridList::SetLineColor(TColor Value)
{
    if (Value == FLineColor)
        return;
    FLineColor = Value;
    viewport()->update();
}

void TGridList::SetElasticCol(int Value)
{
    if (Value == FElasticCol)
        return;
    FElasticCol = Value;
    SizeElasticCol();
}

void TGridList::SetEditing(bool Value)
{
    if (Value == FEditing)
        return;
    FEditing = Value;
    if (!Value && currentIndex().isValid())
        if (QWidget* editor = indexWidget(currentIndex()))
            closeEditor(editor, QAbstractItemDelegate::NoHint);
}

QLineEdit* TGridList::InplaceEditor() const
{
    if (!currentIndex().isValid())
        return nullptr;
    return qobject_cast<QLineEdit*>(indexWidget(currentIndex()));
}

TColor TGridList::LineBackground(int Row, TColor Color) const
{
    if (!FAlternateColor || Row < FFixedRows)
        return Color;
    if (isSignalConnected(QMetaMethod::fromSignal(&TGridList::lineColorWanted))) {
        emit const_cast<TGridList*>(this)->lineColorWanted(Row, Color);
        return Color;
    }
    const int d = Row - FFixedRows;
    const QPalette& pal = palette();
    if (FLineColor != clBtnFace) {
        const TColor c = FromQColor(ToQColor(FLineColor, pal));
        return d % 2 == 0 ? BlendColor(clWhite, c, 0.95f) : BlendColor(c, clBlack, 0.05f);
    }
    if (d % 2 == 0)
        return Color;
    return BlendColor(FromQColor(ToQColor(Color, pal)), FromQColor(ToQColor(clBtnFace, pal)), 0.15f);
}

bool TGridList::OwnerDraws() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TGridList::subItemDrawing)) ||
           isSignalConnected(QMetaMethod::fromSignal(&TGridList::fixedCellDrawing));
}

void TGridList::PaintCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State,
                          const QColor& Background)
{
    const TColor color = LineBackground(ARow, FromQColor(Background));
    Painter.save();
    Painter.fillRect(Rect, ToQColor(color, palette()));
    Painter.setPen(palette().color((State & gdSelected) ? QPalette::HighlightedText : QPalette::Text));
    FCanvas = &Painter;
    if (ItemCount() > 0)
        emit subItemDrawing(ACol - FixedCols(), ARow - FFixedRows, Rect, State);
    FCanvas = nullptr;
    Painter.restore();
}

void TGridList::DrawText(const QRect& Rect, const QString& Text, Qt::Alignment Align)
{
    if (Text.isEmpty() || !FCanvas)
        return;
    const QRect r = Rect.adjusted(3, 0, -3, 0);
    const QString shown = FCanvas->fontMetrics().elidedText(Text, Qt::ElideRight, r.width());
    FCanvas->drawText(r, static_cast<int>(Align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
}

void TGridList::DrawCheckBox(const QRect& Rect, bool Checked, Qt::Alignment Align)
{
    if (!FCanvas)
        return;
    QRect box = Rect;
    if (Align & Qt::AlignLeft)
        box.setWidth(Rect.height());
    else if (Align & Qt::AlignRight)
        box.setLeft(Rect.right() - Rect.height() + 1);
    QStyleOptionButton option;
    option.rect = box.adjusted(1, 1, -1, -1);
    option.state = QStyle::State_Enabled | (Checked ? QStyle::State_On : QStyle::State_Off);
    option.features = QStyleOptionButton::Flat;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, FCanvas, this);
}

void TGridList::SetColWidth(int Col, const QString& Mask)
{
    setColumnWidth(Col, fontMetrics().horizontalAdvance(Mask + QStringLiteral("  ")));
    SizeElasticCol();
}

void TGridList::SizeElasticCol()
{
    if (FElasticCol < 0 || FElasticCol >= columnCount())
        return;
    int used = columnCount() * FGridLineWidth;
    for (int c = 0; c < columnCount(); ++c)
        if (c != FElasticCol)
            used += columnWidth(c);
    const int free = viewport()->width() - used;
    if (free > 15)
        setColumnWidth(FElasticCol, free);
}

QRect TGridList::CellRect(int Col, int Row) const
{
    if (Row < FFixedRows)
        return QRect(FHeader->sectionViewportPosition(Col), 0, columnWidth(Col), FHeader->height());
    return visualRect(model()->index(Row - FFixedRows, Col));
}

void TGridList::resizeEvent(QResizeEvent* Event)
{
    QTableWidget::resizeEvent(Event);
    SizeElasticCol();
}

void TGridList::currentChanged(const QModelIndex& Current, const QModelIndex& Previous)
{
    QTableWidget::currentChanged(Current, Previous);
    if (!Current.isValid())
        return;
    bool canSelect = true;
    emit cellSelecting(Current.column(), Current.row() + FFixedRows, canSelect);
    OpenEditor();
}

void TGridList::OpenEditor()
{
    // The in-place editor is always visible on an editable cell.
    if (FEditing && currentIndex().isValid() && state() != QAbstractItemView::EditingState)
        edit(currentIndex(), QAbstractItemView::AllEditTriggers, nullptr);
}

void TGridList::mouseDoubleClickEvent(QMouseEvent* Event)
{
    QTableWidget::mouseDoubleClickEvent(Event);
    const QModelIndex index = indexAt(Event->position().toPoint());
    if (index.isValid())
        emit cellDoubleClickedAt(index.column(), index.row() + FFixedRows);
}

} // namespace quillon
