#pragma once
// A list control on an owner-drawn table: rows are the items of a list,
// with an optional header row, shaded alternate rows, an elastic column that
// takes the free width, and drawing events in items and sub-items.
//
// Grid coordinates count the header row: with one fixed row, grid row 1 is
// item 0. The header row is the table's horizontal header, so that it stays
// in place while the items scroll. Fixed columns are not supported.
#include <QtCore/QRect>
#include <QtGui/QColor>
#include <QtWidgets/QTableWidget>

#include "engine/ColorFns.h"

class QPainter;

namespace quillon {

// System colors: a top byte of 0xFF and the platform's color index.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;

// A color as Qt draws it; system colors come from Palette.
QColor ToQColor(TColor Color, const QPalette& Palette);
TColor FromQColor(const QColor& Color);

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

class TGridList : public QTableWidget {
    Q_OBJECT

public:
    explicit TGridList(QWidget* Parent = nullptr);
    ~TGridList() override;

signals:
    // The owner draws the cells on Canvas(); while either drawing signal has a
    // receiver, the grid draws no cell content of its own. Connect directly.
    void subItemDrawing(int SubItem, int Item, const QRect& Rect, TGridDrawState State);
    void fixedCellDrawing(int Col, int Row, const QRect& Rect);
    // With a receiver, the owner colors the item rows instead of the
    // alternate shading. Connect directly: Color is answered in place.
    void lineColorWanted(int Row, TColor& Color);
    // In-place editing, in grid coordinates. Connect directly: CanSelect and
    // Value are answered in place.
    void cellSelecting(int Col, int Row, bool& CanSelect);
    void editTextWanted(int Col, int Row, QString& Value);
    void editTextChanged(int Col, int Row, const QString& Value);
    void cellDoubleClickedAt(int Col, int Row);

public:
    // Grid shape.
    int RowCount() const { return rowCount() + FFixedRows; }
    void SetRowCount(int Value);
    int ColCount() const { return columnCount(); }
    void SetColCount(int Value);
    // 0 or 1.
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int FixedCols() const { return 0; }
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    // The current cell; Row is FixedRows - 1 when no item row is current.
    int Row() const;
    void SetRow(int Value);
    int Col() const;
    void SetCol(int Value);

    // Items.
    int ItemCount() const { return RowCount() - FFixedRows; }
    void SetItemCount(int Value);
    int ItemIndex() const;
    void SetItemIndex(int Value);

    bool AlternateColor() const { return FAlternateColor; }
    void SetAlternateColor(bool Value);
    TColor LineColor() const { return FLineColor; }
    void SetLineColor(TColor Value);
    int ElasticCol() const { return FElasticCol; }
    void SetElasticCol(int Value);

    // In-place editing of the current cell; cellSelecting receivers switch it.
    bool Editing() const { return FEditing; }
    void SetEditing(bool Value);
    // The in-place editor of the current cell, if open.
    class QLineEdit* InplaceEditor() const;

    // The background of a data cell of grid row Row whose unshaded color is Color.
    TColor LineBackground(int Row, TColor Color) const;

    // Drawing aids for the events: the canvas of the cell being drawn.
    QPainter* Canvas() const { return FCanvas; }
    void DrawText(const QRect& Rect, const QString& Text, Qt::Alignment Align);
    void DrawCheckBox(const QRect& Rect, bool Checked, Qt::Alignment Align);
    void SetColWidth(int Col, const QString& Mask);
    void SizeElasticCol();

    // The cell rectangle in viewport coordinates (the header row in header coordinates).
    QRect CellRect(int Col, int Row) const;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void currentChanged(const QModelIndex& Current, const QModelIndex& Previous) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    class TDelegate;
    class THeader;
    friend class TDelegate;
    friend class THeader;

    bool OwnerDraws() const;
    void PaintCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State,
                   const QColor& Background);
    void OpenEditor();

    int FFixedRows = 0;
    int FDefaultRowHeight = 16;
    int FGridLineWidth = 0;
    int FElasticCol = -1;
    bool FAlternateColor = true;
    TColor FLineColor = clBtnFace;
    bool FEditing = false;
    QPainter* FCanvas = nullptr;
    TDelegate* FDelegate = nullptr;
    THeader* FHeader = nullptr;
};

} // namespace quillon
