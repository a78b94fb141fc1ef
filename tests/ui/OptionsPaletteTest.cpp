// The grid list and the color map editor on the offscreen platform: row
// shading and item bookkeeping, the node commands with node 0 protected,
// in-place count editing, the palette strip and the map files.
#include <QtTest/QtTest>

#include <QtGui/QPainter>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>

#include <memory>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/TextFileFns.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FitLabel.h"
#include "ui/common/QuillonApplication.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/GridList.h"
#include "WindowTestSupport.h"

using namespace quillon;

namespace {

// Five nodes with distinct colors and counts: 1, 2, 3, 4, 5.
void FiveNodes(TColorMap& map)
{
    map.Clear();
    for (int i = 0; i < 5; ++i)
        map.Add(RGB(static_cast<unsigned>(i), 20, 30), i + 1);
}

// Node k as "red:count" for compact comparisons.
QString Nodes(const TColorMap& map)
{
    QStringList nodes;
    for (int i = 0; i < map.Count(); ++i)
        nodes << QString::number(GetRValue(map.GetItem(i).Color())) + QLatin1Char(':') +
                     QString::number(map.GetItem(i).Count());
    return nodes.join(QLatin1Char(' '));
}

void WriteText(const QString& path, const char* text)
{
    WriteFileAtomic(path.toStdString(), std::string_view(text));
}

} // namespace

class OptionsPaletteTest : public QObject {
    Q_OBJECT

    QStringList FErrors;
    std::unique_ptr<TColorMapFrame> FFrame;
    std::unique_ptr<QTemporaryDir> FDir;
    int FChooserCalls = 0;
    std::vector<TColor> FCustomColors;

    TColorMapFrame& Editor()
    {
        FFrame = std::make_unique<TColorMapFrame>();
        FFrame->resize(400, 260);
        FFrame->show();
        FiveNodes(FFrame->ColorMap());
        FFrame->ChooseColor = [this](TColor&, const std::vector<TColor>& custom) {
            ++FChooserCalls;
            FCustomColors = custom;
            return false; // cancelled
        };
        return *FFrame;
    }

private slots:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        FErrors.clear();
        FChooserCalls = 0;
        SetErrorReporter([this](const QString& message) { FErrors << message; });
    }

    void cleanup()
    {
        FFrame.reset();
        SetErrorReporter({});
    }

    // --- Grid list -------------------------------------------------------------

    void gridListShadesAlternateDataRows()
    {
        TGridList grid;
        grid.SetFixedRows(1);
        const TColor base = RGB(250, 250, 250);
        const TColor face = FromQColor(ToQColor(clBtnFace, grid.palette()));
        QCOMPARE(grid.LineBackground(0, base), base); // the header row: never shaded
        QCOMPARE(grid.LineBackground(1, base), base);
        QCOMPARE(grid.LineBackground(2, base), BlendColor(base, face, 0.15f));
        QCOMPARE(grid.LineBackground(3, base), base);
        grid.SetLineColor(clRed);
        QCOMPARE(grid.LineBackground(1, base), BlendColor(clWhite, clRed, 0.95f));
        QCOMPARE(grid.LineBackground(1, base), RGB(255, 13, 13));
        QCOMPARE(grid.LineBackground(2, base), BlendColor(clRed, clBlack, 0.05f));
        QObject::connect(&grid, &TGridList::lineColorWanted, &grid,
                         [](int Row, TColor& Color) { Color = Row == 2 ? clLime : Color; });
        QCOMPARE(grid.LineBackground(2, base), clLime);
        grid.SetAlternateColor(false);
        QCOMPARE(grid.LineBackground(2, base), base);
    }

    void gridListItemsAndElasticColumn()
    {
        TGridList grid;
        QCOMPARE(grid.RowCount(), 20);
        QCOMPARE(grid.ColCount(), 3);
        QCOMPARE(grid.DefaultRowHeight(), 16);
        grid.SetFixedRows(1);
        QCOMPARE(grid.ItemCount(), 19);
        grid.SetItemCount(0);
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.ItemCount(), 1);
        QCOMPARE(grid.ItemIndex(), 0);
        grid.SetItemCount(5);
        grid.SetItemCount(-1);
        QCOMPARE(grid.ItemCount(), 5);
        grid.SetItemIndex(3);
        QCOMPARE(grid.ItemIndex(), 3);
        QCOMPARE(grid.Row(), 4);
        grid.SetItemIndex(5);
        grid.SetItemIndex(-1);
        QCOMPARE(grid.ItemIndex(), 3);

        grid.resize(300, 200);
        grid.show();
        const int client = grid.viewport()->width();
        grid.setColumnWidth(0, 50);
        grid.setColumnWidth(1, 60);
        grid.SetElasticCol(2);
        QCOMPARE(grid.columnWidth(2), client - 110);
        // 15 pixels or less left: the elastic column keeps its width.
        grid.setColumnWidth(1, client - 50 - 15);
        grid.SizeElasticCol();
        QCOMPARE(grid.columnWidth(2), client - 110);
        grid.setColumnWidth(1, client - 50 - 16);
        grid.SizeElasticCol();
        QCOMPARE(grid.columnWidth(2), 16);
    }

    // --- Editor commands -------------------------------------------------------

    void moveUpDownDeleteOnRowsOneTwoThreeAndLast_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("nodes");
        QTest::addColumn<int>("rowAfter");
        const QString start = QStringLiteral("0:1 1:2 2:3 3:4 4:5");
        QTest::newRow("up row 1") << "up" << 1 << start << 1;
        QTest::newRow("up row 2") << "up" << 2 << start << 2;
        QTest::newRow("up row 3") << "up" << 3 << "0:1 2:3 1:2 3:4 4:5" << 2;
        QTest::newRow("up last") << "up" << 5 << "0:1 1:2 2:3 4:5 3:4" << 4;
        QTest::newRow("down row 1") << "down" << 1 << start << 1;
        QTest::newRow("down row 2") << "down" << 2 << "0:1 2:3 1:2 3:4 4:5" << 3;
        QTest::newRow("down row 3") << "down" << 3 << "0:1 1:2 3:4 2:3 4:5" << 4;
        QTest::newRow("down last") << "down" << 5 << start << 5;
        QTest::newRow("delete row 1") << "delete" << 1 << start << 1;
        QTest::newRow("delete row 2") << "delete" << 2 << "0:1 2:3 3:4 4:5" << 1;
        QTest::newRow("delete row 3") << "delete" << 3 << "0:1 1:2 3:4 4:5" << 2;
        QTest::newRow("delete last") << "delete" << 5 << "0:1 1:2 2:3 3:4" << 4;
    }

    void moveUpDownDeleteOnRowsOneTwoThreeAndLast()
    {
        QFETCH(QString, command);
        QFETCH(int, row);
        QFETCH(QString, nodes);
        QFETCH(int, rowAfter);
        TColorMapFrame& editor = Editor();
        editor.GridColorItems->SetRow(row);
        QCOMPARE(editor.GridColorItems->Row(), row);
        QAction* action = command == QLatin1String("up")     ? editor.ActionUp
                          : command == QLatin1String("down") ? editor.ActionDown
                                                             : editor.ActionDelete;
        action->trigger();
        QCOMPARE(Nodes(editor.ColorMap()), nodes);
        QCOMPARE(editor.GridColorItems->Row(), rowAfter);
        QCOMPARE(editor.GridColorItems->RowCount(), editor.ColorMap().Count() + 1);
        QVERIFY(FErrors.isEmpty());
    }

    void addOnRowThreeInsertsAWhiteNodeAndOffersTheColors()
    {
        TColorMapFrame& editor = Editor();
        editor.GridColorItems->SetRow(3);
        editor.ActionAdd->trigger();
        QCOMPARE(editor.ColorMap().Count(), 6);
        QCOMPARE(editor.ColorMap().GetItem(3).Color(), clWhite);
        QCOMPARE(editor.ColorMap().GetItem(3).Count(), 1);
        QCOMPARE(editor.GridColorItems->Row(), 4);
        QCOMPARE(FChooserCalls, 1);
        // The first nodes are the chooser's custom colors.
        QCOMPARE(FCustomColors.size(), std::size_t(6));
        QCOMPARE(FCustomColors[3], clWhite);
        QCOMPARE(FCustomColors[1], editor.ColorMap().GetItem(1).Color());

        // Confirmed: the current node takes the color; at most 16 custom colors.
        editor.ColorMap().RandomMap(20, 40);
        editor.ChooseColor = [this](TColor& color, const std::vector<TColor>& custom) {
            FCustomColors = custom;
            color = RGB(1, 2, 3);
            return true;
        };
        editor.GridColorItems->SetRow(2);
        editor.ActionColor->trigger();
        QCOMPARE(editor.ColorMap().GetItem(1).Color(), RGB(1, 2, 3));
        QCOMPARE(FCustomColors.size(), std::size_t(16));
    }

    void addWithoutACurrentRowAppends()
    {
        TColorMapFrame& editor = Editor();
        editor.GridColorItems->setCurrentCell(-1, -1);
        QCOMPARE(editor.GridColorItems->Row(), 0);
        const QString before = Nodes(editor.ColorMap());
        editor.ActionAdd->trigger();
        QCOMPARE(Nodes(editor.ColorMap()), before + QStringLiteral(" 255:1"));
        QCOMPARE(editor.ColorMap().GetItem(0).Count(), 1);
        QCOMPARE(editor.GridColorItems->Row(), 6);
        QVERIFY(FErrors.isEmpty());
    }

    void newThenAddBuildsNodeZero()
    {
        TColorMapFrame& editor = Editor();
        editor.ActionNew->trigger();
        QCOMPARE(editor.ColorMap().Count(), 0);
        QCOMPARE(editor.GridColorItems->RowCount(), 1);
        QCOMPARE(editor.LabelColorCount->text(), QStringLiteral("0"));
        QCOMPARE(editor.PanelColor0->palette().color(QPalette::Window), editor.palette().color(QPalette::Button));
        QImage strip(10, 40, QImage::Format_ARGB32);
        strip.fill(Qt::transparent);
        {
            QPainter painter(&strip);
            editor.PaintBoxPalettePaint(painter, 10, 40);
        }
        QCOMPARE(strip.pixel(5, 5), QColor(Qt::transparent).rgba());
        // Color on an empty map: the node list's range error, nothing changes.
        editor.ActionColor->trigger();
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(FChooserCalls, 0);

        editor.ActionAdd->trigger();
        QCOMPARE(Nodes(editor.ColorMap()), QStringLiteral("255:1"));
        QCOMPARE(editor.ColorMap().GetItem(0).Color(), clWhite);
        QCOMPARE(editor.GridColorItems->Row(), 1);
        QCOMPARE(editor.PanelColor0->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void paletteStripLeavesTheLastSlotEmpty()
    {
        TColorMapFrame& editor = Editor();
        editor.ColorMap().SetAsColorArray({clBlack, clRed, clLime, clBlue});
        QImage strip(10, 40, QImage::Format_ARGB32);
        strip.fill(Qt::transparent);
        {
            QPainter painter(&strip);
            editor.PaintBoxPalettePaint(painter, 10, 40);
        }
        QCOMPARE(QColor(strip.pixel(0, 0)), QColor(Qt::red));
        QCOMPARE(QColor(strip.pixel(9, 9)), QColor(Qt::red));
        QCOMPARE(QColor(strip.pixel(0, 10)), QColor(Qt::green));
        QCOMPARE(QColor(strip.pixel(0, 29)), QColor(Qt::blue));
        QCOMPARE(strip.pixel(0, 30), QColor(Qt::transparent).rgba());
        QCOMPARE(editor.PanelColor0->palette().color(QPalette::Window), QColor(Qt::black));
    }

    void countsAreEditedInPlaceFromNodeOneOn()
    {
        TColorMapFrame& editor = Editor();
        TGridList& grid = *editor.GridColorItems;
        grid.setCurrentCell(0, 0); // row 1: node 0
        QVERIFY(!grid.Editing());
        QVERIFY(!grid.InplaceEditor());
        grid.setCurrentCell(2, 1); // row 3, the color column
        QVERIFY(!grid.Editing());
        grid.setCurrentCell(2, 0); // row 3, node 2's count
        QVERIFY(grid.Editing());
        QLineEdit* editor3 = grid.InplaceEditor();
        QVERIFY(editor3);
        QCOMPARE(editor3->text(), QStringLiteral("3"));

        // Typing -5: the lone minus is reported and keeps the count; -5 gives 1.
        editor3->selectAll();
        QTest::keyClicks(editor3, QStringLiteral("-5"));
        // Reported once the editor's own signal has returned.
        QTRY_COMPARE(FErrors, QStringList{QStringLiteral("'-' is not a valid integer value")});
        QCOMPARE(editor.ColorMap().GetItem(2).Count(), 1);
        editor3->selectAll();
        QTest::keyClick(editor3, Qt::Key_Backspace); // empty: nothing changes
        QCOMPARE(editor.ColorMap().GetItem(2).Count(), 1);
        QTest::keyClicks(editor3, QStringLiteral("12"));
        QCOMPARE(editor.ColorMap().GetItem(2).Count(), 12);
        QCOMPARE(editor.LabelColorCount->text(), QString::number(1 + 2 + 12 + 4 + 5));

        for (const auto& [text, count] : {std::pair{"0", 1}, {"-5", 1}, {"7", 7}, {"$10", 16}}) {
            editor.SetCountText(1, QString::fromLatin1(text));
            QCOMPARE(editor.ColorMap().GetItem(1).Count(), count);
        }
        // Node 0 is never changed through the grid.
        editor.SetCountText(0, QStringLiteral("9"));
        QCOMPARE(editor.ColorMap().GetItem(0).Count(), 1);
    }

    // A real message box for a bad count: the editor survives it, and so does
    // the program once the box is closed.
    void aBadCountOpensARealBoxThatTheEditorSurvives()
    {
        TColorMapFrame& editor = Editor();
        TGridList& grid = *editor.GridColorItems;
        grid.setCurrentCell(2, 0);
        QPointer<QLineEdit> inplace = grid.InplaceEditor();
        QVERIFY(inplace);
        inplace->selectAll();
        {
            uitest::TRealMessageBoxes boxes;
            QTest::keyClicks(inplace, QStringLiteral("42a"));
            QTRY_COMPARE(boxes.Texts, QStringList{QStringLiteral("'42a' is not a valid integer value")});
            QTRY_VERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(editor.ColorMap().GetItem(2).Count(), 42);
        // Still usable: the next count goes in.
        grid.setCurrentCell(3, 0);
        QTRY_VERIFY(grid.InplaceEditor());
        grid.InplaceEditor()->selectAll();
        QTest::keyClicks(grid.InplaceEditor(), QStringLiteral("7"));
        QCOMPARE(editor.ColorMap().GetItem(3).Count(), 7);
        QVERIFY(FErrors.isEmpty());
    }

    // --- Files -----------------------------------------------------------------

    void openReadsMapFilesByTheirExactExtension()
    {
        TColorMapFrame& editor = Editor();
        const QString before = Nodes(editor.ColorMap());
        const QString upper = FDir->filePath(QStringLiteral("pal.MAP"));
        WriteText(upper, "255 128 0\r\n0 0 0\r\n");
        QVERIFY_THROWS_EXCEPTION(EConvertError, editor.OpenFile(upper));
        try {
            editor.OpenFile(upper);
        } catch (const EConvertError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("'255 128 0' is not a valid integer value"));
        }
        QCOMPARE(Nodes(editor.ColorMap()), before);

        const QString lower = FDir->filePath(QStringLiteral("pal.map"));
        WriteText(lower, "255 128 0\r\n0 0 255\r\n");
        editor.OpenFile(lower);
        QCOMPARE(editor.ColorMap().Count(), 2);
        QCOMPARE(editor.ColorMap().GetItem(0).Color(), RGB(255, 128, 0));
        QCOMPARE(editor.ColorMap().GetItem(1).Color(), RGB(0, 0, 255));

        const QString clm = FDir->filePath(QStringLiteral("nodes.clm"));
        WriteText(clm, "$000000\r\n$FF0000, 10\r\n");
        editor.OpenFile(clm);
        QCOMPARE(editor.ColorMap().ColorCount(), 11);
        QCOMPARE(editor.OpenFileName(), clm);

        WriteText(lower, "bad\r\n");
        QVERIFY_THROWS_EXCEPTION(EQuillonError, editor.OpenFile(lower));
        QCOMPARE(editor.ColorMap().ColorCount(), 11);
    }

    void saveChoosesTheFormatByExtension()
    {
        TColorMapFrame& editor = Editor();
        const std::string text = editor.ColorMap().AsString();
        const QString clm = FDir->filePath(QStringLiteral("out.clm"));
        editor.SaveFile(clm);
        QCOMPARE(editor.OpenFileName(), clm);
        QCOMPARE(ReadTextFile(clm.toStdString()), text);
        const QString map = FDir->filePath(QStringLiteral("out.map"));
        editor.SaveFile(map);
        QCOMPARE(ReadTextLines(map.toStdString()).size(), std::size_t(15));
        const QString bmp = FDir->filePath(QStringLiteral("out.bmp"));
        editor.SaveFile(bmp);
        QCOMPARE(QImage(bmp).size(), QSize(15, 1));
        // Reopened, the node text gives back the same map.
        editor.ActionNewExecute();
        editor.OpenFile(clm);
        QCOMPARE(editor.ColorMap().AsString(), text);
    }
    // --- What the editor shows ---------------------------------------------------

    void buttonsKeepAccessKeysAndEllipses()
    {
        TColorMapFrame& editor = Editor();
        const std::pair<const char*, const char*> captions[] = {
            {"ButtonAdd", "&Add"},         {"ButtonColor", "&Color..."}, {"ButtonUp", "Move &up"},
            {"ButtonDown", "&Down"},       {"ButtonDelete", "&Delete"},  {"ButtonNew", "&New"},
            {"ButtonOpen", "Open..."},     {"ButtonSave", "&Save..."},   {"ButtonDefault", "De&fault"},
            {"ButtonRandom", "Random"}};
        for (const auto& [name, caption] : captions) {
            auto* button = editor.findChild<QToolButton*>(QString::fromLatin1(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromLatin1(caption));
            // The caption shows whole beside its icon.
            QVERIFY(button->width() >= button->sizeHint().width());
        }
        // The access keys work: Alt+A adds a node after the current one.
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.GridColorItems->setCurrentCell(1, 0);
        const int nodes = editor.ColorMap().Count();
        QTest::keyClick(&editor, Qt::Key_A, Qt::AltModifier);
        // A button's access key clicks it visibly, a moment later.
        QTRY_COMPARE(editor.ColorMap().Count(), nodes + 1);
    }

    void colorCountAndCurrentColorCellShow()
    {
        TColorMapFrame& editor = Editor();
        // Four digits and more fit the narrow strip.
        for (const char* count : {"995", "99995"}) {
            editor.SetCountText(4, QString::fromLatin1(count));
            auto* label = qobject_cast<TFitLabel*>(editor.LabelColorCount);
            QVERIFY(label);
            QCOMPARE(label->text(), QString::number(1 + 2 + 3 + 4 + QByteArray(count).toInt()));
            QVERIFY2(label->TextFits(), qPrintable(label->text()));
        }
        // The current cell of the Color column shows: its margin takes the
        // selection color around the swatch.
        TGridList& grid = *editor.GridColorItems;
        grid.setFocus();
        grid.setCurrentCell(2, 1);
        const QRect cell = grid.visualRect(grid.model()->index(2, 1));
        const QImage shot = grid.viewport()->grab().toImage();
        const QColor highlight = grid.palette().color(QPalette::Highlight);
        QCOMPARE(QColor(shot.pixel(cell.topLeft() + QPoint(1, 1))), highlight);
        grid.setCurrentCell(3, 1);
        const QImage after = grid.viewport()->grab().toImage();
        QVERIFY(QColor(after.pixel(cell.topLeft() + QPoint(1, 1))) != highlight);
    }

};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    OptionsPaletteTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsPaletteTest.moc"
