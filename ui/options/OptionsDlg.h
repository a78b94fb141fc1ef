#pragma once
// The chaptered options dialog. Chapters register once at start-up; the
// dialog lists them, creates a chapter's frame on its first visit and drives
// every visited frame through one action protocol: OK checks them all, makes
// the first failing one current and stores only when every check passed.
#include <QtCore/QString>

#include <functional>
#include <vector>

#include "ui/options/ChapterFrm.h"
#include "ui/options/CustomDlg.h"

class QFrame;
class QListWidget;

namespace quillon {

class IOptionsHost;

// Creates a chapter's frame (the class of the frame).
using TChapterFrameClass = std::function<TChapterFrame*(QWidget* Parent)>;

template <class TFrame>
TChapterFrameClass ChapterFrameClassOf()
{
    return [](QWidget* Parent) -> TChapterFrame* { return new TFrame(Parent); };
}

struct TChapterInfo {
    QString Caption;
    TChapterFrameClass ChapterFrameClass;
    int Order = 0;
};

using TChapterInfoList = std::vector<TChapterInfo>;

// The process-wide chapter list, sorted by Order; equal orders keep their
// registration order.
TChapterInfoList& RegisteredChapters();
// Inserts Info before the first entry of a strictly greater Order.
void InsertChapterInfo(TChapterInfoList& List, TChapterInfo Info);

class TCustomOptionsDialog : public TCustomDialog {
    Q_OBJECT

public:
    explicit TCustomOptionsDialog(IOptionsHost& Host, QWidget* Parent = nullptr);
    // Writes the chapter current at this moment as the one to show next time.
    ~TCustomOptionsDialog() override;

    static void RegisterChapterFrameClass(TChapterFrameClass ChapterFrameClass, const QString& Caption, int Order);
    // The first registered chapter whose list text (" " + Caption) equals
    // Text, ignoring case.
    static bool FindChapter(const QString& Text, TChapterInfo& Info);

    int ChapterCount() const;
    int ChapterIndex() const { return FChapterIndex; }
    void SetChapterIndex(int Value);
    int FirstChapterVisible() const { return FFirstChapterVisible; }
    // The chapter DoAction works on; after a failed check the failing one.
    int CheckedFrameIndex() const { return FCheckedFrameIndex; }
    // The frame of entry Index, created and loaded on first use.
    TChapterFrame* GetChapterFrame(int Index);
    // The frame of entry Index if it exists yet.
    TChapterFrame* ChapterFrame(int Index) const;

    // Runs State on every chapter visited so far, in list order.
    virtual void DoAction(TOptionsAction State);

    // Checks every visited chapter, then stores them and closes with OK. A
    // failed check is reported, its chapter made current with the focus in
    // its field, and the dialog stays open. A failure while storing escapes.
    void ButtonOkClick() override;

    QWidget* PanelControls = nullptr;
    QListWidget* ListBoxChapters = nullptr;
    QWidget* PanelChapter = nullptr;
    QFrame* Bevel1 = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    IOptionsHost& FHost;
    std::vector<TChapterFrame*> FFrames;
    int FChapterIndex = -1;
    int FFirstChapterVisible = 0;
    int FCheckedFrameIndex = -1;
    bool FShown = false;
};

class TOptionsDialog : public TCustomOptionsDialog {
    Q_OBJECT

public:
    explicit TOptionsDialog(IOptionsHost& Host, QWidget* Parent = nullptr);

    // Creates the dialog, shows it modally, frees it; true when it closed with OK.
    static bool Execute(IOptionsHost& Host, QWidget* Parent);
    using TCustomDialog::Execute;
};

} // namespace quillon
