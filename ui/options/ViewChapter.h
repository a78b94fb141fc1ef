#pragma once
// The "View" chapter: image size and view (centre, scale, angle) as numbers,
// and the four view numbers as a small text to copy, paste, open and save.
#include "engine/MandelbrotProcessor.h"
#include "ui/options/ChapterFrm.h"

class QCheckBox;
class QGridLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quillon {

class IViewChapterHost;

// The layout of view-editing frames: four number fields in a "View" group.
class TChapterFrameCustomView : public TChapterFrame {
    Q_OBJECT

public:
    explicit TChapterFrameCustomView(QWidget* Parent = nullptr);

    QGroupBox* GroupBoxView = nullptr;
    QLineEdit* EditCenterX = nullptr;
    QLineEdit* EditCenterY = nullptr;
    QLineEdit* EditScale = nullptr;
    QLineEdit* EditAngle = nullptr;

protected:
    // Holds the four rows; column 3 is free for buttons.
    QGridLayout* FViewGrid = nullptr;
};

class TChapterFrameView : public TChapterFrameCustomView {
    Q_OBJECT

public:
    explicit TChapterFrameView(QWidget* Parent = nullptr);

    void DoAction(TOptionsAction Action) override;

    // The four edit texts, each followed by CR LF.
    QString GetViewText() const;
    // Lines 0 to 3 (trimmed) into the four edits, missing ones empty; a
    // blank text changes nothing.
    void SetViewText(const QString& Text);

    void ButtonCopyClick();
    void ButtonPasteClick();
    void ButtonOpenClick();
    void ButtonSaveAsClick();
    // The file parts of Open and Save as.
    void OpenViewFile(const QString& FileName);
    void SaveViewFile(const QString& FileName);

    QGroupBox* GroupBoxSize = nullptr;
    QComboBox* EditSize = nullptr;
    QCheckBox* CheckBoxStretchView = nullptr;
    QPushButton* ButtonCopy = nullptr;
    QPushButton* ButtonPaste = nullptr;
    QPushButton* ButtonOpen = nullptr;
    QPushButton* ButtonSaveAs = nullptr;

    static const char* const FileFilter;

private:
    IViewChapterHost& ViewHost() const;
    // The centre coordinate of Edit: Loaded while the edit shows the loaded
    // text, else the typed number with all its digits.
    TPreciseNumber CenterCoordinate(QLineEdit* Edit, const TPreciseNumber& Loaded);

    TView FLoadedView;
    TSize FLoadedSize;
    QString FLastFileName;
};

void RegisterViewChapter();

} // namespace quillon
