#pragma once
// The color map editor: the nodes of a map in a two-column grid (count and
// color), a preview of the expanded palette, and commands to add, recolor,
// reorder and delete nodes, start a new map, open and save map files,
// restore the default map and make a random one. Node 0 is protected: its
// count stays 1, it cannot be deleted and nothing moves in front of it.
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "engine/ColorFns.h"

class QAction;
class QPainter;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace quillon {

class TColorMap;
class TGridList;

class TColorMapFrame : public QWidget {
    Q_OBJECT

public:
    explicit TColorMapFrame(QWidget* Parent = nullptr);
    ~TColorMapFrame() override;

    TColorMap& ColorMap() const { return *FColorMap; }
    // Copies Value into the editor's map.
    void SetColorMap(const TColorMap& Value);
    int ColorCount() const;

    // Grid rows, counts, swatch and palette strip after every change of the map.
    virtual void UpdateDisplay();

signals:
    // Every change of the map, after the editor's own display has followed it.
    void colorMapChanged();

public:

    // The node of the grid's current row; -1 when no node row is current.
    int CurrentNode() const;

    // Commands.
    void ActionAddExecute();
    void ActionColorExecute();
    void ActionUpExecute();
    void ActionDownExecute();
    void ActionDeleteExecute();
    void ActionNewExecute();
    void ActionOpenExecute();
    void ActionSaveExecute();
    void ActionDefaultExecute();
    void ActionRandomExecute();
    // The file parts of Open and Save.
    void OpenFile(const QString& FileName);
    void SaveFile(const QString& FileName);
    // A count typed into the grid for Node: 0 or less gives 1; an empty
    // text changes nothing; a text that is not an integer fails.
    void SetCountText(int Node, const QString& Text);

    // Asks the user for a color: Color in and out, the first nodes as the
    // custom colors; false when cancelled. The color chooser unless replaced.
    std::function<bool(TColor& Color, const std::vector<TColor>& CustomColors)> ChooseColor;
    // The map Default restores; the built-in map when none is set.
    std::function<const TColorMap&()> DefaultColorMap;
    // The file of the last Open (Save starts in its folder).
    QString OpenFileName() const { return FOpenFileName; }

    // Components.
    TGridList* GridColorItems = nullptr;
    QWidget* PanelPreview = nullptr;
    QLabel* LabelColorCount = nullptr;
    QFrame* PanelColor0 = nullptr;
    QFrame* PanelPalette = nullptr;
    QWidget* PaintBoxPalette = nullptr;
    QGroupBox* GroupBoxRandomParams = nullptr;
    QLineEdit* EditNodeCount = nullptr;
    QLineEdit* EditColorCount = nullptr;

    QAction* ActionAdd = nullptr;
    QAction* ActionColor = nullptr;
    QAction* ActionUp = nullptr;
    QAction* ActionDown = nullptr;
    QAction* ActionDelete = nullptr;
    QAction* ActionNew = nullptr;
    QAction* ActionOpen = nullptr;
    QAction* ActionSave = nullptr;
    QAction* ActionDefault = nullptr;
    QAction* ActionRandom = nullptr;

    static const char* const OpenFilter;
    static const char* const SaveFilter;

    // Paints the palette strip: entries 1 to L-1 in L slots from the top.
    void PaintBoxPalettePaint(QPainter& Painter, int Width, int Height) const;

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    void CreateActions();
    void CreateGrid();
    QToolButton* MakeButton(QAction* Action);

    std::unique_ptr<TColorMap> FColorMap;
    QString FOpenFileName;
};

} // namespace quillon
